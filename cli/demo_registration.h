#pragma once
// The provider's registration and the product key for the demo's time, and their undoing. On
// Windows they go into the registry itself (HKEY_LOCAL_MACHINE: the provider's key in the program's
// own view, the product key in the 64-bit view) and come out
// exactly as they were: values that were there get their old type and data back, keys and
// values that were not are removed. On POSIX they go into a registry file of the scene that
// KQCSP_REGISTRY names while the demo runs.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "demo_scene.h"

namespace kq::cli {

// One value the demo registers: below HKEY_LOCAL_MACHINE, with its Windows type and data
// (strings UTF-16LE with their NUL, numbers little-endian).
struct RegistryEntry {
  std::u16string_view key;
  std::u16string_view name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

// The provider's three values with this "Image Path", then the product key's LanguageID
// (English) and IsUseSecDesk (0).
std::vector<RegistryEntry> DemoRegistryEntries(const std::string& imagePath);

inline constexpr char16_t kProviderRegistryKey[] =
    u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";
inline constexpr char kProviderName[] = "KQCSP For ORV v2.0";

class DemoRegistration {
 public:
  explicit DemoRegistration(DemoScene& scene);
  DemoRegistration(const DemoRegistration&) = delete;
  DemoRegistration& operator=(const DemoRegistration&) = delete;
  // Undoes the registration if Restore() has not.
  ~DemoRegistration();

  // Writes the entries; false (with the reason in detail()) when they cannot all be written, in
  // which case whatever was written is undone already.
  bool Register(const std::string& imagePath);
  // Puts everything back; true when all is as it was before Register().
  bool Restore();

  // Where the registration went, or why registering or restoring failed.
  [[nodiscard]] const std::string& detail() const { return detail_; }

 private:
  struct Saved;
  DemoScene& scene_;
  std::unique_ptr<Saved> saved_;
  std::string detail_;
};

}  // namespace kq::cli
