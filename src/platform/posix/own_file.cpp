#include "platform/posix/own_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kq::platform {

int OpenOwnFileForWriting(const char* path, int flags) {
  const bool truncate = (flags & O_TRUNC) != 0;
  const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (flags & ~O_TRUNC), 0600);
  if (fd < 0) {
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
      (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace kq::platform
