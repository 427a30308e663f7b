#pragma once
// The two machine-wide settings under HKEY_LOCAL_MACHINE\Software\KQVN\Orvenia, read-only here:
// LanguageID (the UI language) and IsUseSecDesk (PIN entry on a secure desktop). Nothing is
// cached except the secure-desktop flag, which is re-read before each PIN entry.

#include <cstdint>
#include <string_view>

namespace kq::ui {

inline constexpr std::u16string_view kSettingsKey = u"Software\\KQVN\\Orvenia";
inline constexpr std::u16string_view kLanguageValue = u"LanguageID";
inline constexpr std::u16string_view kSecureDesktopValue = u"IsUseSecDesk";

// Results of reading a setting.
enum class SettingStatus : int {
  kOk = 0,
  kKeyMissing = 1,    // the key cannot be opened
  kValueMissing = 2,  // the value cannot be read
};

// Reads LanguageID (4 bytes); `languageId` is set only on kOk.
SettingStatus ReadLanguageSetting(uint32_t& languageId);

// Clears the process-wide secure-desktop flag, then sets it exactly when IsUseSecDesk is present
// and non-zero.
SettingStatus ReadSecureDesktopSetting();
bool SecureDesktopEnabled();

// True when the native processor is x64 (architecture 9); such a system's 64-bit registry view
// is the one read, so 32-bit and 64-bit callers see the same settings.
bool IsNative64BitSystem();

}  // namespace kq::ui
