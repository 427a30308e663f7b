#include "platform/notify.h"

#include <windows.h>

#include <string>

namespace kq::platform {

namespace {

struct MarkedWindowSearch {
  std::wstring property;
  HWND found = nullptr;
};

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<MarkedWindowSearch*>(context);
  if (GetPropW(window, search->property.c_str()) == reinterpret_cast<HANDLE>(1)) {
    search->found = window;
    return FALSE;  // the first marked window in enumeration order
  }
  return TRUE;
}

}  // namespace

uint32_t RegisterNotification(std::u16string_view name) {
  const std::wstring wide(name.begin(), name.end());
  return RegisterWindowMessageW(wide.c_str());
}

void BroadcastNotification(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != 0) {
    PostMessageW(HWND_BROADCAST, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
  }
}

bool SendToMarkedWindow(uint32_t message, uintptr_t wParam, intptr_t lParam,
                        std::u16string_view markerProperty) {
  if (message == 0) {
    return false;
  }
  MarkedWindowSearch search{std::wstring(markerProperty.begin(), markerProperty.end())};
  EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    return false;
  }
  // Delivered without waiting for the window's thread: the events are sent while the operation
  // holds the key's lock, and a tool that looks at the key from its handler (on another thread
  // or in another process) would wait for that lock while we waited for its handler. The
  // messages carry numbers only and their answer is ignored, so nothing needs the wait.
  // SendNotifyMessageW keeps sent-message order (before, then after) and, for a window of the
  // calling thread, still calls it at once, where the key's lock lets the handler in again.
  SendNotifyMessageW(search.found, message, static_cast<WPARAM>(wParam),
                     static_cast<LPARAM>(lParam));
  return true;
}

}  // namespace kq::platform
