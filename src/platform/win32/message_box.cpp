#include "platform/message_box.h"

#include <windows.h>

#include <string>

namespace kq::platform {

namespace {
UINT IconFlags(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::kInformation:
      return MB_ICONINFORMATION;
    case MessageBoxIcon::kWarning:
      return MB_ICONWARNING;
    case MessageBoxIcon::kError:
      return MB_ICONERROR;
    case MessageBoxIcon::kNone:
      break;
  }
  return 0;
}
}  // namespace

void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxStyle style) {
  const std::wstring wideText(text.begin(), text.end());
  const std::wstring wideCaption(caption.begin(), caption.end());
  const UINT flags = MB_OK | IconFlags(style.icon) | (style.topmost ? MB_TOPMOST : 0u);
  MessageBoxW(static_cast<HWND>(style.owner), wideText.c_str(), wideCaption.c_str(), flags);
}

}  // namespace kq::platform
