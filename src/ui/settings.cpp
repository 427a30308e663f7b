#include "ui/settings.h"

#include <atomic>

#include "platform/registry.h"
#include "platform/system_facts.h"

namespace kq::ui {

namespace {

std::atomic<bool> g_secureDesktop{false};

SettingStatus ReadDwordSetting(std::u16string_view name, uint32_t& value) {
  const platform::RegistryView view =
      IsNative64BitSystem() ? platform::RegistryView::k64Bit : platform::RegistryView::kDefault;
  switch (platform::QueryRegistryDword(kSettingsKey, name, view, value)) {
    case platform::RegistryStatus::kOk:
      return SettingStatus::kOk;
    case platform::RegistryStatus::kKeyMissing:
      return SettingStatus::kKeyMissing;
    case platform::RegistryStatus::kValueMissing:
    case platform::RegistryStatus::kMoreData:
      break;
  }
  return SettingStatus::kValueMissing;
}

}  // namespace

SettingStatus ReadLanguageSetting(uint32_t& languageId) {
  uint32_t value = 0;
  const SettingStatus status = ReadDwordSetting(kLanguageValue, value);
  if (status == SettingStatus::kOk) {
    languageId = value;
  }
  return status;
}

SettingStatus ReadSecureDesktopSetting() {
  g_secureDesktop = false;
  uint32_t value = 0;
  const SettingStatus status = ReadDwordSetting(kSecureDesktopValue, value);
  if (status == SettingStatus::kOk) {
    g_secureDesktop = value != 0;
  }
  return status;
}

bool SecureDesktopEnabled() {
  return g_secureDesktop;
}

bool IsNative64BitSystem() {
  return platform::NativeProcessorArchitecture() == platform::kProcessorArchitectureAmd64;
}

}  // namespace kq::ui
