// The key lock's folder in the temporary folder that every user shares, prepared in advance by a
// second user (nobody, through setpriv; CI runs as root): kqtool neither waits for that user's
// lock nor makes a file where that user's link points, and its own folder is private.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "kqtool_key_fixture.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

extern char** environ;

namespace kq::test {
namespace {

namespace fs = std::filesystem;

// The lock file of the scene's only reader, "ORV ZANTULDCCID 0" (device/key_lock.h names it).
const std::string kLockFile = "kqcsp-key-ORV_20ZANTULDCCID_200.lock";

std::vector<std::string> AsNobody(std::vector<std::string> command) {
  command.insert(command.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  return command;
}

// A command left running until the object goes (then killed and reaped).
class Running {
 public:
  explicit Running(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& word : argv) {
      pointers.push_back(const_cast<char*>(word.c_str()));
    }
    pointers.push_back(nullptr);
    if (posix_spawnp(&pid_, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) {
      pid_ = -1;
    }
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
  ~Running() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

mode_t ModeOf(const fs::path& path) {
  struct stat facts {};
  return lstat(path.c_str(), &facts) == 0 ? facts.st_mode : 0;
}

class LockFolder : public KqtoolWithKey {
 protected:
  void SetUp() override {
    if (geteuid() != 0) {
      GTEST_SKIP() << "acting as a second user needs root";
    }
    KqtoolWithKey::SetUp();
    // The scene's TMPDIR made like /tmp: every user may add to it.
    ASSERT_EQ(chmod(temp_.c_str(), 01777), 0);
  }

  // kqtool media-ids, killed after 20 s when it waits for a lock it should not.
  [[nodiscard]] CommandResult MediaIds() const {
    return RunCommand({"timeout", "20", KqtoolPath(), "media-ids"});
  }

  const fs::path temp_ = std::getenv("TMPDIR");
  const fs::path folder_ = temp_ / ("kqcsp-locks-" + std::to_string(getuid()));
};

TEST_F(LockFolder, AnotherUsersHeldLockDoesNotStopTheExports) {
  const fs::path lockFile = folder_ / kLockFile;
  ASSERT_EQ(RunCommand(AsNobody({"mkdir", "-m", "0777", folder_})).exitCode, 0);
  ASSERT_EQ(RunCommand(AsNobody({"install", "-m", "0666", "/dev/null", lockFile})).exitCode, 0);
  // -F: the lock's holder is the process killed at the end, not a child left running.
  const Running holder(AsNobody({"flock", "-F", lockFile, "sleep", "60"}));
  // Held once a lock that does not wait is refused.
  for (int tries = 0; RunCommand({"flock", "-n", "-E", "7", lockFile, "true"}).exitCode != 7;) {
    ASSERT_LT(++tries, 200) << "nobody never held the lock";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  const CommandResult run = MediaIds();
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find(mediaId_), std::string::npos) << run.out;
}

TEST_F(LockFolder, NothingIsMadeThroughALinkInPlaceOfTheLockFile) {
  TempDirectory victim;  // a folder of root's own, mode 0700, that nobody cannot write to
  const fs::path target = victim.path() / "planted";
  for (const bool foreignFolder : {true, false}) {
    SCOPED_TRACE(foreignFolder ? "another user's folder" : "our own folder");
    fs::remove_all(folder_);
    if (foreignFolder) {
      ASSERT_EQ(RunCommand(AsNobody({"mkdir", "-m", "0777", folder_})).exitCode, 0);
      ASSERT_EQ(RunCommand(AsNobody({"ln", "-s", target, folder_ / kLockFile})).exitCode, 0);
    } else {
      // Even in a private folder (made so before) a link is not followed.
      ASSERT_TRUE(fs::create_directory(folder_));
      fs::permissions(folder_, fs::perms::owner_all);
      fs::create_symlink(target, folder_ / kLockFile);
    }
    const CommandResult run = MediaIds();
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
  }
}

TEST_F(LockFolder, OwnFoldersArePrivateWhateverTheUmask) {
  // Made by kqtool under umask 0: mode 0700 all the same, and the lock file 0600.
  const CommandResult run =
      RunCommand({"sh", "-c", "umask 0 && exec \"$0\" media-ids", KqtoolPath()});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(ModeOf(folder_), S_IFDIR | 0700);
  EXPECT_EQ(ModeOf(folder_ / kLockFile), S_IFREG | 0600);

  // A foreign folder in the temporary folder: the user's runtime folder takes the locks.
  fs::remove_all(folder_);
  ASSERT_EQ(RunCommand(AsNobody({"mkdir", "-m", "0700", folder_})).exitCode, 0);
  TempDirectory runtime;
  fs::permissions(runtime.path(), fs::perms::owner_all);  // as a runtime folder always is
  const ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.path().string());
  EXPECT_EQ(MediaIds().exitCode, 0);
  EXPECT_EQ(ModeOf(runtime.path() / "kqcsp-locks"), S_IFDIR | 0700);
  EXPECT_EQ(ModeOf(runtime.path() / "kqcsp-locks" / kLockFile), S_IFREG | 0600);
}

}  // namespace
}  // namespace kq::test
