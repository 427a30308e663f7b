#include "ui/key_chooser.h"

#include <algorithm>

#include "ui/catalogue.h"
#include "ui/list_chooser.h"

namespace kq::ui {

namespace {
constexpr size_t kKeyTypeMaxChars = 64;
}  // namespace

std::optional<size_t> ChooseKeyToOverwrite(std::span<const KeyChoice> keys) {
  RefreshCatalogueLanguage();
  const ListChooserTexts texts{"key",
                               msg::kSelectKeyToOverwrite,
                               std::nullopt,
                               {{msg::kSubjectColumn, 200},
                                {msg::kContainerNameColumn, 150},
                                {msg::kKeyTypeColumn, 150},
                                {msg::kKeyLengthColumn, 150}},
                               msg::kSelectKeyToOverwrite};
  std::vector<std::vector<std::u16string>> rows;
  rows.reserve(keys.size());
  for (const KeyChoice& key : keys) {
    std::u16string type = GetMessage(key.usage == kKeyUsageSignature ? msg::kRsaSignatureLabel
                                                                     : msg::kRsaExchangeLabel);
    type.resize(std::min(type.size(), kKeyTypeMaxChars));
    const std::string bits = std::to_string(key.keyBits);
    rows.push_back({ListTextFromCp936(key.subject), ListTextFromCp936(key.containerName),
                    std::move(type), std::u16string(bits.begin(), bits.end())});
  }
  return RunListChooser(texts, std::move(rows));
}

}  // namespace kq::ui
