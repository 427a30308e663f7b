#include "tools/media_id.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kq::tools {

std::string_view CallerText(const char* text) {
  return text == nullptr ? std::string_view{} : std::string_view{text};
}

bool IsMediaId(const char* mediaId) {
  return mediaId != nullptr && std::strlen(mediaId) == kMediaIdLength;
}

bool SerialMatches(std::span<const uint8_t> serial, std::string_view mediaId) {
  if (serial.size() < kMediaIdLength || mediaId.size() < kMediaIdLength) {
    return false;
  }
  return std::equal(serial.begin(), serial.begin() + kMediaIdLength, mediaId.begin(),
                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
}

std::optional<uint32_t> ReaderIndex(std::string_view readerName) {
  std::string upper(readerName);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  });
  const size_t at = upper.find(kReaderPrefix);
  if (at == std::string::npos) {
    return std::nullopt;
  }
  uint32_t index = 0;
  for (size_t i = at + kReaderPrefix.size(); i < upper.size(); ++i) {
    const char c = upper[i];
    if (c < '0' || c > '9') {
      break;
    }
    // Saturate rather than wrap: no real reader index comes near it.
    if (index > (UINT32_MAX - 9) / 10) {
      break;
    }
    index = index * 10 + static_cast<uint32_t>(c - '0');
  }
  return index;
}

}  // namespace kq::tools
