#include "ui/dialog_texts.h"

#include "ui/catalogue.h"

namespace kq::ui {

ButtonWaitTextIds ButtonWaitTexts(uint32_t kind) {
  switch (kind) {
    case 1:  // transaction signing with hashing on the key
      return {msg::kTransactionTitle, msg::kTransactionPrompt};
    case 2:
      return {msg::kGenerateKeyTitle, msg::kGenerateKeyPrompt};
    case 3:
      return {msg::kInitDeviceTitle, msg::kInitDevicePrompt};
    case 4:
      return {msg::kDeleteKeyTitle, msg::kDeleteKeyPrompt};
    case 5:
      return {msg::kChangePinTitle, msg::kChangePinPrompt};
    default:
      return {msg::kSignTitle, msg::kSignPrompt};
  }
}

}  // namespace kq::ui
