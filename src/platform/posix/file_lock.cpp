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
  // O_NOFOLLOW | O_NONBLOCK: a link in place of the lock file is never followed to make a file
  // elsewhere, and a pipe there does not hang the open. Such an entry (or a file others may open)
  // is never locked by anyone, and the folder is the user's own private one, so it is removed and
  // the file made afresh, once.
  int fd = -1;
  for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd >= 0 && !IsOwnPrivateFile(fd)) {
      close(fd);
      fd = -1;
    }
    if (fd < 0 && attempt == 0) {
      unlink(path.c_str());
    }
  }
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
  // The lock orders only those who lock this very file: one renamed or replaced meanwhile would
  // leave the next process locking another, so the name must still lead to it.
  struct stat named = {};
  struct stat locked = {};
  if (lstat(path.c_str(), &named) != 0 || fstat(fd, &locked) != 0 ||
      named.st_dev != locked.st_dev || named.st_ino != locked.st_ino) {
    close(fd);
    return FileLock();
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

// A folder in which no other user can rename, remove or replace ours: the user's own, sticky (as
// /tmp), or writable by its owner alone.
bool IsSafeParent(const std::filesystem::path& parent) {
  struct stat facts = {};
  return stat(parent.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode) &&
         (facts.st_uid == geteuid() || (facts.st_mode & S_ISVTX) != 0 ||
          (facts.st_mode & 0022) == 0);
}

}  // namespace

// Per user on purpose, unlike Windows' machine-wide folder: the temporary folder is writable by
// every user, and a folder there could be made first by another user, to hold the lock or to put
// a link in place of a lock file; only a folder of our own with mode 0700 (lstat), in a parent
// where no one else can swap it, is used. When the one in the temporary folder is not, the user's
// "~/.cache/kqcsp-locks" is; when neither is, there is no folder, and the key is not opened
// (a named code), never used unordered. Two users do not reach one key here: the soft key's files
// are the user's own (0600), and a key's device node belongs to the user at the machine (and
// root, which is not ordered with them). TMPDIR chooses the folder: the tests give each scene its
// own; two programs of one user with different TMPDIR are not ordered.
std::filesystem::path SharedLockFolder() {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  const std::filesystem::path parent = error ? std::filesystem::path("/tmp") : temp;
  const std::filesystem::path folder = parent / ("kqcsp-locks-" + std::to_string(getuid()));
  if (IsSafeParent(parent) && MakePrivateFolder(folder)) {
    return folder;
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    const std::filesystem::path cache = std::filesystem::path(home) / ".cache";
    mkdir(cache.c_str(), 0700);
    const std::filesystem::path fallback = cache / "kqcsp-locks";
    if (IsSafeParent(cache) && MakePrivateFolder(fallback)) {
      return fallback;
    }
  }
  return {};
}

}  // namespace kq::platform
