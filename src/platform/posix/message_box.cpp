#include "platform/message_box.h"

#include <string>

#include "common/utf.h"
#include "platform/ui_log.h"

namespace kq::platform {

void ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                    MessageBoxStyle /*style*/) {
  WriteUiLogLine("MSGBOX " + Utf16ToUtf8(caption) + "\t" + Utf16ToUtf8(text));
}

}  // namespace kq::platform
