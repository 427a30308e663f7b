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
  const bool written = WriteAll(fd, reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return close(fd) == 0 && written;
}

}  // namespace kq::platform
