#include "platform/console.h"

#include <unistd.h>

namespace kq::platform {

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

}  // namespace kq::platform
