#include "platform/posix/own_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace kq::platform {

namespace {

// The folder part of `path`, opened without following a link at its last name; -1 when it is
// not a folder, or one that other users may write to and replace names in (a shared folder
// without the sticky bit that another user owns).
int OpenSafeFolder(const std::string& path, std::string& name) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return -1;
  }
  struct stat info {};
  const bool safe =
      fstat(fd, &info) == 0 && (info.st_uid == geteuid() || (info.st_mode & S_ISVTX) != 0 ||
                                (info.st_mode & (S_IWGRP | S_IWOTH)) == 0);
  if (!safe || name.empty()) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int OpenOwnFileForWriting(const char* path, int flags) {
  const bool truncate = (flags & O_TRUNC) != 0;
  std::string name;
  const int folder = OpenSafeFolder(path, name);
  if (folder < 0) {
    return -1;
  }
  // O_NONBLOCK: a FIFO planted at the name would otherwise block the caller, who may hold the
  // key's lock, until someone reads it. It is cleared once the file is known to be regular.
  const int fd =
      openat(folder, name.c_str(),
             O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (flags & ~O_TRUNC), 0600);
  close(folder);
  if (fd < 0) {
    return -1;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
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
