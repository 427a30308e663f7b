#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace kq::platform
