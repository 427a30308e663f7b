#pragma once
// How the tool exports name a key: by media id (the first 12 bytes of its serial or identity) and,
// in notifications, by the reader index that follows the reader-name prefix.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kq::tools {

inline constexpr size_t kMediaIdLength = 12;
inline constexpr std::string_view kReaderPrefix = "ORV ZANTULDCCID ";

// The caller's NUL-terminated text; a null pointer gives an empty view.
[[nodiscard]] std::string_view CallerText(const char* text);

// A media id argument must be exactly 12 characters long.
[[nodiscard]] bool IsMediaId(const char* mediaId);

// Whether the serial's first 12 bytes equal the media id (case-sensitive). The media id must hold
// at least 12 characters; only its first 12 count.
[[nodiscard]] bool SerialMatches(std::span<const uint8_t> serial, std::string_view mediaId);

// The reader index after the upper-cased prefix "ORV ZANTULDCCID ": its leading decimal digits,
// 0 when none follow. Empty when the name does not hold the prefix.
[[nodiscard]] std::optional<uint32_t> ReaderIndex(std::string_view readerName);

}  // namespace kq::tools
