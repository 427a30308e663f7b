#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kq::platform {

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = kNone;
  }
  return *this;
}

namespace {

// Only a file that no one else can open: flock needs nothing but an open descriptor, so a file
// another user may read is a lock that user can hold.
bool IsOwnPrivateFile(int fd) {
  struct stat facts = {};
  return fstat(fd, &facts) == 0 && S_ISREG(facts.st_mode) && facts.st_uid == geteuid() &&
         (facts.st_mode & 0077) == 0;
}

}  // namespace

FileLock FileLock::Acquire(const std::filesystem::path& path) {
  // O_NOFOLLOW: a link in place of the lock file is refused, never followed to make a file
  // elsewhere.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    return FileLock();
  }
  if (!IsOwnPrivateFile(fd)) {
    close(fd);
    return FileLock();
  }
  // flock belongs to the open file description, so two opens in one process exclude each other
  // as two processes do (fcntl locks would not).
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd);
      return FileLock();
    }
  }
  return FileLock(fd);
}

void FileLock::Release() {
  if (handle_ != kNone) {
    const int fd = static_cast<int>(handle_);
    flock(fd, LOCK_UN);
    close(fd);
    handle_ = kNone;
  }
}

namespace {

// A folder that only this user may enter, checked with lstat (a link is not a folder): anyone
// else who could write there could hold our locks or put a link in place of a lock file.
bool IsPrivateFolder(const std::filesystem::path& folder) {
  struct stat facts = {};
  return lstat(folder.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) &&
         facts.st_uid == geteuid() && (facts.st_mode & 07777) == 0700;
}

// Made with mode 0700 when missing (never wider on the way: the mode is given to mkdir, and the
// umask only takes bits away); whatever was there before is used only when it passes the check.
bool MakePrivateFolder(const std::filesystem::path& folder) {
  if (mkdir(folder.c_str(), 0700) == 0) {
    chmod(folder.c_str(), 0700);  // back what the umask took from the owner
  }
  return IsPrivateFolder(folder);
}

}  // namespace

// Per user on purpose, unlike Windows' machine-wide folder: the temporary folder is writable by
// every user, and a folder there could be made first by another user, to hold the lock or to put
// a link in place of a lock file; only a folder of our own with mode 0700 (lstat) is used. When
// the one in the temporary folder is not, $XDG_RUNTIME_DIR/kqcsp-locks is (the runtime folder is
// private to the user by definition); when neither is, there is no folder and only the threads of
// one process are ordered. Two users do not reach one key here: the soft key's files are the
// user's own (0600), and a key's device node belongs to the user at the machine (and root, which
// is not ordered with them). TMPDIR chooses the folder: the tests give each scene its own; two
// programs of one user with different TMPDIR are not ordered.
std::filesystem::path SharedLockFolder() {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  const std::filesystem::path folder =
      (error ? std::filesystem::path("/tmp") : temp) / ("kqcsp-locks-" + std::to_string(getuid()));
  if (MakePrivateFolder(folder)) {
    return folder;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) {
    const std::filesystem::path fallback = std::filesystem::path(runtime) / "kqcsp-locks";
    if (MakePrivateFolder(fallback)) {
      return fallback;
    }
  }
  return {};
}

}  // namespace kq::platform
