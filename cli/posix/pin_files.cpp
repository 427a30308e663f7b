#include <fcntl.h>
#include <unistd.h>

#include "pin_input.h"

namespace kq::cli {

int OpenPinFile(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

long ReadPinBytes(int fd, char* buffer, unsigned size) {
  return static_cast<long>(read(fd, buffer, size));
}

void ClosePinFile(int fd) {
  close(fd);
}

}  // namespace kq::cli
