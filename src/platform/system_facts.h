#pragma once
// Facts about the machine the system runs on. Windows asks the system; POSIX takes the language
// from the locale variables, is always a 64-bit system and has no windows.

#include <cstdint>
#include <string_view>

namespace kq::platform {

// The system default language identifier (a Windows LANGID value): GetSystemDefaultLangID on
// Windows; on POSIX from the first non-empty of LC_ALL, LC_MESSAGES and LANG.
uint16_t SystemDefaultLanguageId();

// The language identifier of a POSIX locale name ("zh_CN.UTF-8"): zh_CN 2052, zh_SG 4100,
// zh_TW 1028, zh_HK 3076, zh_MO 5124, anything else 1033.
uint16_t LanguageIdFromLocaleName(std::string_view locale);

// The native processor architecture as Windows numbers it (9 is x64), from GetNativeSystemInfo
// where the system offers it, else GetSystemInfo. POSIX reports 9.
inline constexpr uint16_t kProcessorArchitectureAmd64 = 9;
uint16_t NativeProcessorArchitecture();

// The calling thread's active window, or null (always null on POSIX).
void* ActiveWindow();

}  // namespace kq::platform
