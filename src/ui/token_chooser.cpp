#include "ui/token_chooser.h"

#include "ui/catalogue.h"
#include "ui/list_chooser.h"

namespace kq::ui {

std::optional<size_t> ChooseToken(std::span<const TokenChoice> tokens) {
  RefreshCatalogueLanguage();
  const ListChooserTexts texts{"token",
                               msg::kSelectTokenTitle,
                               msg::kSelectTokenPrompt,
                               {{msg::kTokenNameColumn, 200}, {msg::kTokenSerialColumn, 200}},
                               msg::kNoTokenSelected};
  std::vector<std::vector<std::u16string>> rows;
  rows.reserve(tokens.size());
  for (const TokenChoice& token : tokens) {
    rows.push_back({ListTextFromCp936(token.label), ListTextFromCp936(token.serial)});
  }
  return RunListChooser(texts, std::move(rows));
}

}  // namespace kq::ui
