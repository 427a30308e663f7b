#include <fcntl.h>
#include <io.h>

#include "pin_input.h"

namespace kq::cli {

int OpenPinFile(const std::string& path) {
  return _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

long ReadPinBytes(int fd, char* buffer, unsigned size) {
  return _read(fd, buffer, size);
}

void ClosePinFile(int fd) {
  _close(fd);
}

}  // namespace kq::cli
