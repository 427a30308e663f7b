#include "tools/presence_registry.h"

#include <array>

#include "platform/registry.h"
#include "platform/system_facts.h"

namespace kq::tools {

namespace {
constexpr std::u16string_view kProductKey = u"SOFTWARE\\KQVN\\Orvenia";
constexpr std::u16string_view kProviderKey =
    u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";
constexpr std::array<std::u16string_view, 3> kProviderValues = {u"Image Path", u"Type",
                                                                u"Signature"};
}  // namespace

bool ProductKeyPresent() {
  const platform::RegistryView view =
      platform::NativeProcessorArchitecture() == platform::kProcessorArchitectureAmd64
          ? platform::RegistryView::k64Bit
          : platform::RegistryView::kDefault;
  return platform::RegistryKeyExists(kProductKey, view);
}

bool ProviderRegistered() {
  std::array<uint8_t, 1024> buffer{};
  for (std::u16string_view value : kProviderValues) {
    size_t size = 0;
    uint32_t type = 0;
    // A value larger than the buffer is still there; only its presence counts.
    const platform::RegistryStatus status = platform::QueryRegistryValue(
        kProviderKey, value, platform::RegistryView::kDefault, buffer, size, type);
    if (status != platform::RegistryStatus::kOk && status != platform::RegistryStatus::kMoreData) {
      return false;
    }
  }
  return true;
}

}  // namespace kq::tools
