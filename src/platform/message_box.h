#pragma once
// A modal message box with an OK button. Windows: MessageBoxW. POSIX: the UI log line
// "MSGBOX <caption>\t<text>" (UTF-8), see platform/ui_log.h.

#include <string_view>

namespace kq::platform {

enum class MessageBoxIcon { kNone, kInformation, kWarning, kError };

struct MessageBoxStyle {
  MessageBoxIcon icon = MessageBoxIcon::kNone;
  bool topmost = false;
  void* owner = nullptr;  // the owner window, or null for none
};

void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxStyle style);

}  // namespace kq::platform
