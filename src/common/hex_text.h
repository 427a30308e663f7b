#pragma once
// Bytes as hexadecimal text and back, for the tools, the soft key's files and certificate names.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

enum class HexLetters { kLower, kUpper };

// Two digits a byte, no separators.
std::string HexEncode(std::span<const uint8_t> bytes, HexLetters letters);

// 0-15 for a hex digit of either case, -1 for anything else.
int HexDigitValue(char c);

// Where the characters of `separators` may stand in hex text being decoded.
enum class HexSeparators {
  kAnywhere,          // "a b" is one byte
  kBetweenPairsOnly,  // "a b" is refused
};

// Hex digits of either case with separators skipped; nothing on any other character, a
// separator out of place or an odd number of digits.
std::optional<std::vector<uint8_t>> HexDecode(std::string_view text, std::string_view separators,
                                              HexSeparators place);

}  // namespace kq
