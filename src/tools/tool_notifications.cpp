#include "tools/tool_notifications.h"

#include "platform/notify.h"

namespace kq::tools {

namespace {
// The window property by which the bank's tool marks the window that receives these events.
constexpr std::u16string_view kToolWindowMarker = u"{9989C252-62B0-0ORV-975A-C275013499656}";
}  // namespace

uint32_t RegisterToolMessage(std::u16string_view name) {
  return platform::RegisterNotification(name);
}

void NotifyToolWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != 0) {
    platform::SendToMarkedWindow(message, wParam, lParam, kToolWindowMarker);
  }
}

}  // namespace kq::tools
