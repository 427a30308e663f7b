#pragma once
// Which key a reader name stood for when a caller chose it. Reader names are positions, not
// identities: when a key is pulled out (or swapped while the PIN entry has it), the same name
// opens another customer's key. A key tells who it is through ZANT_GetDevSer: the serial (kind 0)
// or the identity block (kind 6). The identity keeps the answer of the kind and the buffer size
// the caller asked with, so that the check asks the very same question again (one device call).

#include <array>
#include <cstdint>
#include <span>

namespace kq {

class DeviceSession;

class KeyIdentity {
 public:
  static constexpr uint32_t kSerialKind = 0;
  static constexpr uint32_t kIdentityKind = 6;
  static constexpr uint32_t kMaxLength = 64;

  KeyIdentity() = default;
  // What the key answered to ZANT_GetDevSer(kind) asked with a buffer of `asked` bytes.
  KeyIdentity(uint32_t kind, uint32_t asked, std::span<const uint8_t> answer);

  // Asks the open session's key (one device call); nothing known when the key does not answer.
  // By default the identity block, as the token chooser reads it: two keys that share a serial
  // but not their blocks are told apart (a true clone, block and all, is not: docs/security.md).
  static KeyIdentity Read(const DeviceSession& session, uint32_t kind = kIdentityKind,
                          uint32_t asked = kMaxLength);

  [[nodiscard]] bool known() const { return length_ != 0; }
  // Whether the key open in `session` is this key: the same question gets the same answer.
  [[nodiscard]] bool Matches(const DeviceSession& session) const;

  friend bool operator==(const KeyIdentity&, const KeyIdentity&) = default;

 private:
  uint32_t kind_ = kSerialKind;
  uint32_t asked_ = 0;
  uint32_t length_ = 0;
  std::array<uint8_t, kMaxLength> bytes_{};
};

}  // namespace kq
