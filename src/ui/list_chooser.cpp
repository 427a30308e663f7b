#include "ui/list_chooser.h"

#include "platform/dialog_host.h"
#include "platform/message_box.h"
#include "ui/catalogue.h"
#include "ui/codepage936.h"

namespace kq::ui {

namespace {

constexpr int kIndexColumnWidth = 50;

class ListChooserLogic final : public platform::ChooserLogic {
 public:
  explicit ListChooserLogic(uint32_t noSelectionId) : noSelectionId_(noSelectionId) {}

  bool OnOk(std::optional<size_t> selectedRow) override {
    if (selectedRow) {
      return true;
    }
    platform::ShowMessageBox(GetMessage(noSelectionId_), GetMessage(msg::kTipCaption),
                             {platform::MessageBoxIcon::kWarning, true, nullptr});
    return false;
  }

 private:
  uint32_t noSelectionId_;
};

std::u16string Decimal(size_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

}  // namespace

std::optional<size_t> RunListChooser(const ListChooserTexts& texts,
                                     std::vector<std::vector<std::u16string>> rows) {
  platform::ChooserView view;
  view.logKind = texts.logKind;
  view.title = GetMessage(texts.titleId);
  if (texts.promptId) {
    view.prompt = GetMessage(*texts.promptId);
  }
  view.okText = GetMessage(msg::kOkButton);
  view.cancelText = GetMessage(msg::kCancelButton);
  view.columns.push_back({GetMessage(msg::kIndexColumn), kIndexColumnWidth});
  for (const ListColumn& column : texts.columns) {
    view.columns.push_back({GetMessage(column.headingId), column.width});
  }
  view.rows.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::vector<std::u16string> cells;
    cells.reserve(rows[i].size() + 1);
    cells.push_back(Decimal(i + 1));
    for (std::u16string& cell : rows[i]) {
      cells.push_back(std::move(cell));
    }
    view.rows.push_back(std::move(cells));
  }
  ListChooserLogic logic(texts.noSelectionId);
  return platform::RunChooserDialog(view, logic);
}

std::u16string ListTextFromCp936(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::u16string text;
  if (!Cp936ToWide(bytes, text)) {
    text.clear();
  }
  return text;
}

}  // namespace kq::ui
