// What the demo registers, the same on every platform.
#include "demo_registration.h"

#include "common/utf.h"
#include "platform/registry.h"

namespace kq::cli {

namespace {

constexpr std::u16string_view kProductKey = u"SOFTWARE\\KQVN\\Orvenia";
constexpr uint32_t kEnglish = 1033;

std::vector<uint8_t> Dword(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> Text(const std::string& utf8) {
  std::vector<uint8_t> bytes;
  for (const char16_t c : Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace

std::vector<RegistryEntry> DemoRegistryEntries(const std::string& imagePath) {
  using platform::kRegBinary;
  using platform::kRegDword;
  using platform::kRegSz;
  return {
      {kProviderRegistryKey, u"Image Path", kRegSz, Text(imagePath)},
      {kProviderRegistryKey, u"Type", kRegDword, Dword(1)},
      {kProviderRegistryKey, u"Signature", kRegBinary, {0}},
      {kProductKey, u"LanguageID", kRegDword, Dword(kEnglish)},
      {kProductKey, u"IsUseSecDesk", kRegDword, Dword(0)},
  };
}

}  // namespace kq::cli
