#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"

namespace kq::platform {

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

}  // namespace kq::platform
