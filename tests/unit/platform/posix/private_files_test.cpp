// The files the system writes at names in shared folders: made for their owner only, and a link
// planted at the name is not followed.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/plain_file.h"
#include "platform/ui_log.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::platform {
namespace {

struct Writer {
  const char* name;
  std::function<void(const std::string& path)> write;
};

const Writer kWriters[] = {
    {"UI log line",
     [](const std::string& path) {
       const test::ScopedEnv env("KQCSP_UI_LOG", path);
       WriteUiLogLine("MSGBOX caption\ttext");
     }},
    {"request copy",
     [](const std::string& path) {
       const uint8_t bytes[] = {'M', 'I', 'I'};
       (void)WriteWholeFile(path.c_str(), bytes);
     }},
};

class UmaskOf022 : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = umask(022); }
  void TearDown() override { umask(saved_); }
  mode_t saved_ = 0;
};

TEST_F(UmaskOf022, ANewFileIsReadableByItsOwnerOnly) {
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    const test::TempDirectory dir;
    const std::string path = dir.File("file");
    writer.write(path);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
}

TEST_F(UmaskOf022, ALinkAtTheNameIsNotFollowed) {
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    const test::TempDirectory dir;
    const std::string victim = dir.Write("victim", std::string_view("kept")).string();
    const std::string path = dir.File("planted");
    std::filesystem::create_symlink(victim, path);
    writer.write(path);
    EXPECT_EQ(test::ReadText(victim), "kept");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
  }
}

// In a shared folder another user may make the file first, readable by all: it is left alone.
TEST_F(UmaskOf022, AFileOfAnotherUserIsNotWritten) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "making a file of another user needs root";
  }
  for (const Writer& writer : kWriters) {
    SCOPED_TRACE(writer.name);
    const test::TempDirectory dir;
    const std::string path = dir.Write("theirs", std::string_view("kept")).string();
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    writer.write(path);
    EXPECT_EQ(test::ReadText(path), "kept");
  }
}

}  // namespace
}  // namespace kq::platform
