#include "platform/entropy.h"

#include <sys/random.h>

#include <cerrno>

namespace kq::platform {

bool OsEntropy(uint8_t* buffer, size_t length) {
  size_t filled = 0;
  while (filled < length) {
    const ssize_t got = getrandom(buffer + filled, length - filled, 0);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    filled += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace kq::platform
