#include "ui/dialog_texts.h"

#include <string_view>

#include "ui/catalogue.h"

namespace kq::ui {

ButtonWaitTextIds ButtonWaitTexts(uint32_t kind) {
  switch (kind) {
    case 1:
      return {0, 1};  // transaction signing with hashing on the key
    case 2:
      return {12, 13};  // key pair generation
    case 3:
      return {30, 31};  // initialisation of the key
    case 4:
      return {28, 29};  // key deletion
    case 5:
      return {32, 33};  // PIN change
    default:
      return {34, 35};  // a signature
  }
}

void RefreshDialogLanguage() {
  RefreshCatalogueLanguage();
}

std::u16string DialogText(uint32_t id) {
  return GetMessageText(id);
}

std::u16string FormatDialogText(uint32_t id, uint32_t value) {
  std::u16string result = DialogText(id);
  for (const std::u16string_view placeholder :
       {std::u16string_view(u"%u"), std::u16string_view(u"%d")}) {
    const size_t at = result.find(placeholder);
    if (at != std::u16string::npos) {
      const std::string digits = std::to_string(value);
      result.replace(at, placeholder.size(), std::u16string(digits.begin(), digits.end()));
      break;
    }
  }
  return result;
}

}  // namespace kq::ui
