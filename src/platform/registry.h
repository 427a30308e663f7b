#pragma once
// Read-only access to HKEY_LOCAL_MACHINE. On Windows the real registry; on POSIX a file in the
// Windows .reg syntax named by KQCSP_REGISTRY (default /etc/kqcsp/registry.reg), read afresh on
// every query so that a change to the file or to the variable takes effect at once.
// Key paths are below HKEY_LOCAL_MACHINE ("Software\\KQVN\\Orvenia"); key and value names are
// compared without regard to letter case.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kq::platform {

// Which registry view a key is opened in. On a 64-bit Windows k64Bit adds KEY_WOW64_64KEY, so a
// 32-bit and a 64-bit caller read the same key; POSIX has one view only.
enum class RegistryView : uint8_t { kDefault, k64Bit };

enum class RegistryStatus : uint8_t {
  kOk,
  kKeyMissing,    // the key cannot be opened
  kValueMissing,  // the key exists but holds no such value
  kMoreData,      // the value is larger than the buffer; size holds the needed size
};

// Value types as Windows numbers them.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// True when the key can be opened for reading.
bool RegistryKeyExists(std::u16string_view keyPath, RegistryView view);

// Reads a value as RegQueryValueExW does: on entry `size` is ignored and the buffer's size is
// the room; on kOk or kMoreData `size` holds the value's size in bytes and `type` its type.
// Strings are UTF-16LE with their terminating NUL, as Windows stores them.
RegistryStatus QueryRegistryValue(std::u16string_view keyPath, std::u16string_view valueName,
                                  RegistryView view, std::span<uint8_t> buffer, size_t& size,
                                  uint32_t& type);

// Reads a 32-bit value: at most 4 bytes, little-endian, zero-filled when shorter (the type is not
// examined, as a query into a 4-byte buffer does not).
RegistryStatus QueryRegistryDword(std::u16string_view keyPath, std::u16string_view valueName,
                                  RegistryView view, uint32_t& value);

}  // namespace kq::platform
