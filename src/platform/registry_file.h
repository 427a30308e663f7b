#pragma once
// The Windows .reg file format, read as the POSIX registry: an optional header line (REGEDIT4 or
// "Windows Registry Editor Version 5.00"), sections [HKEY_LOCAL_MACHINE\...] and values
// "Name"=dword:hhhhhhhh, "Name"="text", "Name"=hex:.. and "Name"=hex(t):.. (continued over lines
// with a trailing backslash); @ names the default value. The file may be UTF-8 or UTF-16LE with a
// byte-order mark, with LF or CRLF line ends. Lines that do not parse are skipped; sections of
// other roots are ignored; a later value of the same name replaces an earlier one.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::platform {

struct RegistryFileValue {
  std::u16string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct RegistryFileKey {
  std::u16string path;  // below HKEY_LOCAL_MACHINE, without leading or trailing backslashes
  std::vector<RegistryFileValue> values;
};

class RegistryFile {
 public:
  // Parses the bytes of a file; never fails, a hostile file simply yields fewer keys.
  static RegistryFile Parse(std::span<const uint8_t> bytes);

  // A key exists when a section names it or one of its subkeys (importing a subkey creates its
  // parents).
  [[nodiscard]] bool KeyExists(std::u16string_view path) const;
  // The value, or null when the key or the value is missing.
  [[nodiscard]] const RegistryFileValue* FindValue(std::u16string_view path,
                                                   std::u16string_view name) const;
  [[nodiscard]] const std::vector<RegistryFileKey>& keys() const { return keys_; }

 private:
  [[nodiscard]] const RegistryFileKey* FindKey(std::u16string_view path) const;
  void ParseText(std::u16string_view text);

  std::vector<RegistryFileKey> keys_;
};

// Key and value names compare as Windows compares them (here: ASCII letters without case).
bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b);

}  // namespace kq::platform
