#include <windows.h>

#include "platform/exit_request.h"

namespace kq::platform {

namespace {

// The waits with a window receive the registered message. A wait without one (its dialog could
// not be made, or the program has no dialog resources) cannot: it watches a named event of this
// session instead, which the sender holds signalled for longer than a wait's tick.
constexpr wchar_t kExitEventName[] = L"Local\\KQ_ORV_EXITALLUKEYDC";
constexpr DWORD kSignalledMs = 300;

HANDLE OpenExitEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, kExitEventName);
}

}  // namespace

ExitRequestListener::ExitRequestListener() {
  HANDLE event = OpenExitEvent();
  socket_ = event != nullptr ? reinterpret_cast<intptr_t>(event) : -1;
}

ExitRequestListener::~ExitRequestListener() {
  if (socket_ != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(socket_));
  }
}

bool ExitRequestListener::Wait(uint32_t milliseconds) {
  if (socket_ == -1) {
    Sleep(milliseconds);
    return false;
  }
  return WaitForSingleObject(reinterpret_cast<HANDLE>(socket_), milliseconds) == WAIT_OBJECT_0;
}

std::string WaitDirectory() {
  return {};
}

int SendExitRequestToAllWaits() {
  int reached = 0;
  if (HANDLE event = OpenExitEvent(); event != nullptr) {
    SetEvent(event);
    Sleep(kSignalledMs);
    ResetEvent(event);
    CloseHandle(event);
    reached = 1;
  }
  const UINT message = RegisterWindowMessageW(L"KQ_ORV_EXITALLUKEYDC");
  if (message != 0 && PostMessageW(HWND_BROADCAST, message, 0, 0) != FALSE) {
    reached = 1;
  }
  return reached;
}

}  // namespace kq::platform
