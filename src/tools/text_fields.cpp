#include "tools/text_fields.h"

#include "common/utf.h"

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

namespace {

// Where separator next starts at or after `from`. In code page 936 a double-byte character is
// stepped over whole: its trail byte may be '|' (0x7C), which is no separator there.
size_t FindSeparator(std::string_view text, std::string_view separator, size_t from,
                     bool codePage936) {
  if (!codePage936) {
    return text.find(separator, from);
  }
  for (size_t i = from; i < text.size();) {
    if (text.substr(i, separator.size()) == separator) {
      return i;
    }
    const auto byte = static_cast<unsigned char>(text[i]);
    i += (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  const bool codePage936 = !IsUtf8(text);
  size_t pos = 0;
  while (true) {
    const size_t at = FindSeparator(text, separator, pos, codePage936);
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
