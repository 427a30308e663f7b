#pragma once
// Registered window messages that tell other programs (the bank's key-management tools) about PIN,
// key and certificate events. Windows: RegisterWindowMessageW, PostMessageW to HWND_BROADCAST,
// and SendNotifyMessageW to the first top-level window that carries a marker property. POSIX has no
// windows: each event, broadcast or marked-window alike, is one Unix datagram
// "<name> <wParam> <lParam>\n" (ASCII, decimal) to the socket named by KQCSP_NOTIFY_SOCKET;
// nothing is sent when the variable is unset or nobody listens.

#include <cstdint>
#include <string_view>

namespace kq::platform {

// The identifier of the message registered under `name` (the same name gives the same
// identifier within the process); 0 when registration fails.
uint32_t RegisterNotification(std::u16string_view name);

// Posts to every top-level window without waiting (HWND_BROADCAST). Identifier 0 sends nothing.
void BroadcastNotification(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Sends to the first top-level window in enumeration order whose property named `markerProperty`
// has the handle value 1, without waiting for a window of another thread (SendNotifyMessageW: in
// order, ahead of posted messages); the answer is ignored. Identifier 0 sends nothing.
// Returns whether a window received it (on POSIX: whether a datagram was delivered).
bool SendToMarkedWindow(uint32_t message, uintptr_t wParam, intptr_t lParam,
                        std::u16string_view markerProperty);

}  // namespace kq::platform
