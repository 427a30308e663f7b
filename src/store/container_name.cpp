#include "store/container_name.h"

#include <algorithm>
#include <cstdio>

#include "common/codes_store.h"

namespace kq::store {

namespace {

// Far beyond what a working generator needs: 128 random bits repeat a name practically never.
constexpr int kMaxDraws = 64;

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

}  // namespace

std::string FormatGuidName(const std::array<uint8_t, 16>& b) {
  char text[37] = {};
  std::snprintf(text, sizeof text,
                "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return std::string(text, 36);
}

uint32_t NewContainerName(std::span<const std::string> existing, std::string& name,
                          RandomSource source, void* context) {
  name.clear();
  for (int draw = 0; draw < kMaxDraws; ++draw) {
    std::array<uint8_t, 16> bytes{};
    if (!source(context, bytes)) {
      return kDeviceFailed;
    }
    std::string candidate = FormatGuidName(bytes);
    const bool taken = std::any_of(existing.begin(), existing.end(), [&](const std::string& old) {
      return EqualIgnoringCase(old, candidate);
    });
    if (!taken) {
      name = std::move(candidate);
      return kOk;
    }
  }
  return kDeviceFailed;
}

}  // namespace kq::store
