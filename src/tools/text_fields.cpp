#include "tools/text_fields.h"

namespace kq::tools {

namespace {
char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  size_t pos = 0;
  while (true) {
    const size_t at = text.find(separator, pos);
    if (at == std::string_view::npos) {
      pieces.push_back(text.substr(pos));
      return pieces;
    }
    pieces.push_back(text.substr(pos, at - pos));
    pos = at + separator.size();
  }
}

bool SameKeyword(std::string_view text, std::string_view keyword) {
  if (text.size() != keyword.size()) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(keyword[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace kq::tools
