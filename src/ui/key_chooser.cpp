#include "ui/key_chooser.h"

#include <algorithm>

#include "ui/dialog_texts.h"
#include "ui/list_chooser.h"

namespace kq::ui {

namespace {
constexpr size_t kKeyTypeMaxChars = 64;
}  // namespace

std::optional<size_t> ChooseKeyToOverwrite(std::span<const KeyChoice> keys) {
  RefreshDialogLanguage();
  const ListChooserTexts texts{"key",
                               text::kSelectKeyTitle,
                               std::nullopt,
                               {{text::kSubjectColumn, 200},
                                {text::kContainerColumn, 150},
                                {text::kKeyTypeColumn, 150},
                                {text::kKeyLengthColumn, 150}},
                               text::kSelectKeyTitle};
  std::vector<std::vector<std::u16string>> rows;
  rows.reserve(keys.size());
  for (const KeyChoice& key : keys) {
    std::u16string type =
        DialogText(key.usage == kKeyUsageSignature ? text::kRsaSignature : text::kRsaExchange);
    type.resize(std::min(type.size(), kKeyTypeMaxChars));
    const std::string bits = std::to_string(key.keyBits);
    rows.push_back({ListTextFromCp936(key.subject), ListTextFromCp936(key.containerName),
                    std::move(type), std::u16string(bits.begin(), bits.end())});
  }
  return RunListChooser(texts, std::move(rows));
}

}  // namespace kq::ui
