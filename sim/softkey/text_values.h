#pragma once
// Small text helpers for the soft key's own files and command lines: hex, numbers, splitting.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

// Upper-case hex without separators.
std::string HexEncode(std::span<const uint8_t> bytes);
// Hex digits of either case; blanks and colons between byte pairs are ignored. Nothing on any
// other character or an odd number of digits.
std::optional<std::vector<uint8_t>> HexDecode(std::string_view text);

// Pieces between separators (any character of `separators`), trimmed; empty pieces are dropped.
std::vector<std::string_view> SplitFields(std::string_view text, std::string_view separators);

// A decimal number, or hex with a 0x prefix; nothing when the text is not entirely a number or
// does not fit in 32 bits.
std::optional<uint32_t> ParseNumber(std::string_view text);
std::optional<uint64_t> ParseNumber64(std::string_view text);

// "0x6A82" style, four hex digits at least.
std::string FormatStatus(uint32_t status);

}  // namespace kq::sim
