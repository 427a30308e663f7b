#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

FileLock FileLock::Acquire(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
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

// A folder of this user's, made when missing; false when it is not a folder of this user.
bool MakeOwnFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  struct stat facts = {};
  return lstat(folder.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) && facts.st_uid == getuid();
}

}  // namespace

// Per user on purpose, unlike Windows' machine-wide folder: the temporary folder is writable by
// every user, and a lock file in it could be made first (or be a link) by another user, to hold
// the lock or to point our open elsewhere; a folder of our own (checked with lstat) cannot be. Two
// users do not reach one key here: the soft key's files are the user's own (0600), and a key's
// device node belongs to the user at the machine (and root, which is not ordered with them).
// TMPDIR chooses the folder: the tests give each scene its own; two programs of one user with
// different TMPDIR are not ordered.
std::filesystem::path SharedLockFolder() {
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  std::filesystem::path folder =
      (error ? std::filesystem::path("/tmp") : temp) / ("kqcsp-locks-" + std::to_string(getuid()));
  if (MakeOwnFolder(folder)) {
    chmod(folder.c_str(), 0700);
  }
  return folder;
}

}  // namespace kq::platform
