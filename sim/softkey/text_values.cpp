#include "softkey/text_values.h"

#include "common/hex_text.h"
#include "common/text_trim.h"

#include <cstdio>
#include <limits>

namespace kq::sim {

std::string HexEncode(std::span<const uint8_t> bytes) {
  return kq::HexEncode(bytes, HexLetters::kUpper);
}

std::optional<std::vector<uint8_t>> HexDecode(std::string_view text) {
  return kq::HexDecode(text, " :\t", HexSeparators::kBetweenPairsOnly);
}

std::vector<std::string_view> SplitFields(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find_first_of(separators, start);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    const std::string_view field = TrimBlanks(text.substr(start, stop - start));
    if (!field.empty()) {
      fields.push_back(field);
    }
    if (end == std::string_view::npos) {
      break;
    }
    start = end + 1;
  }
  return fields;
}

std::optional<uint64_t> ParseNumber64(std::string_view text) {
  text = TrimBlanks(text);
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (const char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) {
      return std::nullopt;
    }
    if (value > (std::numeric_limits<uint64_t>::max() - static_cast<unsigned>(digit)) / base) {
      return std::nullopt;
    }
    value = value * base + static_cast<unsigned>(digit);
  }
  return value;
}

std::optional<uint32_t> ParseNumber(std::string_view text) {
  const std::optional<uint64_t> value = ParseNumber64(text);
  if (!value || *value > std::numeric_limits<uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(*value);
}

std::string FormatStatus(uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(status));
  return text;
}

}  // namespace kq::sim
