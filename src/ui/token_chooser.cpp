#include "ui/token_chooser.h"

#include "ui/dialog_texts.h"
#include "ui/list_chooser.h"

namespace kq::ui {

std::optional<size_t> ChooseToken(std::span<const TokenChoice> tokens) {
  RefreshDialogLanguage();
  const ListChooserTexts texts{"token",
                               text::kSelectTokenTitle,
                               text::kSelectTokenPrompt,
                               {{text::kTokenNameColumn, 200}, {text::kTokenSerialColumn, 200}},
                               text::kNoTokenSelected};
  std::vector<std::vector<std::u16string>> rows;
  rows.reserve(tokens.size());
  for (const TokenChoice& token : tokens) {
    rows.push_back({ListTextFromCp936(token.label), ListTextFromCp936(token.serial)});
  }
  return RunListChooser(texts, std::move(rows));
}

}  // namespace kq::ui
