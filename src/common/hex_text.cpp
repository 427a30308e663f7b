#include "common/hex_text.h"

namespace kq {

std::string HexEncode(std::span<const uint8_t> bytes, HexLetters letters) {
  const char* digits = letters == HexLetters::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const uint8_t b : bytes) {
    text.push_back(digits[b >> 4]);
    text.push_back(digits[b & 0x0F]);
  }
  return text;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

std::optional<std::vector<uint8_t>> HexDecode(std::string_view text, std::string_view separators,
                                              HexSeparators place) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (const char c : text) {
    if (separators.find(c) != std::string_view::npos) {
      if (high >= 0 && place == HexSeparators::kBetweenPairsOnly) {
        return std::nullopt;  // a separator inside a byte pair
      }
      continue;
    }
    const int digit = HexDigitValue(c);
    if (digit < 0) {
      return std::nullopt;
    }
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>((high << 4) | digit));
      high = -1;
    }
  }
  if (high >= 0) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace kq
