#pragma once
// What the token and key choosers share: a modal list with an index column, OK and Cancel, in
// the language the settings choose; OK with no row selected warns and keeps the list open.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::ui {

struct ListColumn {
  uint32_t headingId;
  int width;
};

struct ListChooserTexts {
  const char* logKind;  // "token" or "key"
  uint32_t titleId;
  std::optional<uint32_t> promptId;
  std::vector<ListColumn> columns;  // after the index column
  uint32_t noSelectionId;           // the warning of an OK with no row selected
};

// Shows the rows (their texts after the index column) and returns the chosen row, or nullopt
// when the user cancelled. The caller refreshes the catalogue language first
// (RefreshCatalogueLanguage).
std::optional<size_t> RunListChooser(const ListChooserTexts& texts,
                                     std::vector<std::vector<std::u16string>> rows);

// A byte string of the key (code page 936) as the list shows it: up to its first zero byte.
std::u16string ListTextFromCp936(std::string_view bytes);

}  // namespace kq::ui
