// The files the system writes at names in shared folders (the UI log, the request copy): made for
// their owner only, and neither a link planted at the name nor another user's file there is
// written.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <span>

#include "platform/plain_file.h"
#include "platform/ui_log.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::platform {
namespace {

// What lies at the name first: nothing, a link to the user's file, another user's file, a FIFO
// nobody reads (opening it for writing would block), or the folder is a link to another.
enum class Planted { kNothing, kLink, kOthersFile, kFifo, kLinkedFolder };

TEST(PrivateFiles, NewFilesAre0600AndNeitherALinkNorAnotherUsersFileIsWritten) {
  const mode_t saved = umask(022);
  for (const bool uiLog : {true, false}) {
    for (const Planted planted : {Planted::kNothing, Planted::kLink, Planted::kOthersFile,
                                  Planted::kFifo, Planted::kLinkedFolder}) {
      SCOPED_TRACE((uiLog ? "UI log, case " : "request copy, case ") +
                   std::to_string(static_cast<int>(planted)));
      const test::TempDirectory dir;
      const std::string victim = dir.Write("victim", std::string_view("kept")).string();
      std::string path = dir.File("name");
      if (planted == Planted::kFifo) {
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
      } else if (planted == Planted::kLinkedFolder) {
        std::filesystem::create_directory(dir.File("real"));
        std::filesystem::rename(victim, dir.File("real") + "/name");
        std::filesystem::create_directory_symlink(dir.File("real"), dir.File("link"));
        path = dir.File("link") + "/name";
      } else if (planted == Planted::kLink) {
        std::filesystem::create_symlink(victim, path);
      } else if (planted == Planted::kOthersFile) {
        std::filesystem::rename(victim, path);
        if (chown(path.c_str(), 65534, 65534) != 0 || chmod(path.c_str(), 0666) != 0) {
          continue;  // making a file of another user needs root
        }
      }
      const test::ScopedEnv env("KQCSP_UI_LOG", path);
      if (uiLog) {
        WriteUiLogLine("MSGBOX caption\ttext");
      } else {
        (void)WriteWholeFile(path.c_str(), std::span<const uint8_t>());
      }
      struct stat info {};
      ASSERT_EQ(lstat(path.c_str(), &info), 0);
      if (planted == Planted::kNothing) {
        EXPECT_EQ(info.st_mode & 0777, 0600u);
      } else if (planted == Planted::kFifo) {
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
      } else {
        EXPECT_EQ(test::ReadText(path), "kept");
      }
    }
  }
  umask(saved);
}

}  // namespace
}  // namespace kq::platform
