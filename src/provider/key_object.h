#pragma once
// What the host keeps for one key handle: the public part of an RSA pair on the key (or of an
// imported public key), or a symmetric key imported in plain, which can only be inspected.

#include <array>
#include <cstdint>
#include <optional>

#include "common/secret.h"
#include "crypto/public_key_record.h"

namespace kq::provider {

inline constexpr uint32_t kKeyKindRsa = 1;
inline constexpr uint32_t kKeyKindSymmetric = 2;

// keyFileId values that are not files on the key.
inline constexpr uint32_t kImportedKeyxFileId = 0xFFFFFFFF;
inline constexpr uint32_t kImportedSignFileId = 0xFFFFFFFE;

// The bytes of a plain symmetric key; wiped when the object goes.
struct SymmetricKeyMaterial {
  SymmetricKeyMaterial() = default;
  SymmetricKeyMaterial(const SymmetricKeyMaterial&) = delete;
  SymmetricKeyMaterial& operator=(const SymmetricKeyMaterial&) = delete;
  ~SymmetricKeyMaterial() { WipeMemory(key.data(), key.size()); }

  std::array<uint8_t, 32> key{};
  uint32_t keyLength = 0;
  uint32_t saltLength = 0;
  uint32_t effectiveKeyBits = 0;  // RC2 only
};

struct KeyObject {
  uint32_t kind = kKeyKindRsa;
  uint32_t algId = 0;
  uint32_t keyFileId = 0;
  uint32_t keyBits = 0;
  std::optional<PublicKeyRecord> publicKey;      // kind 1
  std::optional<SymmetricKeyMaterial> material;  // kind 2
  uint32_t mode = 0;
  uint32_t blockBits = 0;
  std::array<uint8_t, 8> iv{};
  uint32_t padMode = 0;
  uint32_t permissions = 0;
};

}  // namespace kq::provider
