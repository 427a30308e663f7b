#include "text_list.h"

namespace kq::cli {

std::vector<std::string> SplitList(std::string_view text, std::string_view separator) {
  std::vector<std::string> items;
  while (!text.empty()) {
    const size_t at = text.find(separator);
    items.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) {
      break;
    }
    text.remove_prefix(at + separator.size());
  }
  return items;
}

std::string JoinList(const std::vector<std::string>& items, std::string_view separator) {
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty()) {
      text += separator;
    }
    text += item;
  }
  return text;
}

}  // namespace kq::cli
