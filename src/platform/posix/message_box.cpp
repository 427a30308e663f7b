#include "platform/message_box.h"

#include <string>

#include "platform/ui_log.h"
#include "platform/windowless_dialogs.h"

namespace kq::platform {

void ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                    MessageBoxStyle /*style*/) {
  // One line whatever the texts hold: a line end or tab inside them would split the record.
  WriteUiLogLine("MSGBOX " + UiLogField(caption) + "\t" + UiLogField(text));
}

}  // namespace kq::platform
