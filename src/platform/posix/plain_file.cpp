#include "platform/plain_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/own_file.h"

namespace kq::platform {

bool WriteWholeFile(const char* path, std::span<const uint8_t> bytes) {
  const int fd = OpenOwnFileForWriting(path, O_TRUNC);
  if (fd < 0) {
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      break;
    }
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && done == bytes.size();
}

}  // namespace kq::platform
