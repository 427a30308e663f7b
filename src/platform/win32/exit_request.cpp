#include <windows.h>

#include "platform/exit_request.h"

namespace kq::platform {

// The waits are resource dialogs that receive the registered message themselves; a windowless
// wait (platform/windowless_dialogs.h) only keeps its rhythm here.
ExitRequestListener::ExitRequestListener() = default;
ExitRequestListener::~ExitRequestListener() = default;

bool ExitRequestListener::Wait(uint32_t milliseconds) {
  Sleep(milliseconds);
  return false;
}

std::string WaitDirectory() {
  return {};
}

int SendExitRequestToAllWaits() {
  const UINT message = RegisterWindowMessageW(L"KQ_ORV_EXITALLUKEYDC");
  if (message == 0) {
    return 0;
  }
  return PostMessageW(HWND_BROADCAST, message, 0, 0) != FALSE ? 1 : 0;
}

}  // namespace kq::platform
