#pragma once
// How KQ_GetSignature signs with a key: the login it needs, whether the key or the host hashes,
// and which hash, decided from the key's algorithm, its device usage and the data.

#include <cstdint>
#include <string>

namespace kq::tools {

// Algorithm nibbles of the key's flags.
inline constexpr uint8_t kKeyRsa1024 = 1;
inline constexpr uint8_t kKeyRsa2048 = 2;
inline constexpr uint8_t kKeySm2 = 3;

// The signature size a size query reserves for the key: 128, 256 or 64; 0 for an unknown key.
[[nodiscard]] uint32_t ReservedSignatureSize(uint8_t algorithm);

struct SigningPath {
  uint32_t loginMode = 4;  // 1: only when not logged in already; 4: always ask for the PIN
  bool hashOnDevice = false;
};

// 0, 2001 (usage unknown) or 2020 (usage 2 signs only transaction messages).
[[nodiscard]] uint32_t ChooseSigningPath(uint32_t deviceUsage, uint8_t algorithm,
                                         bool transactionMessage, SigningPath& path);

// The hash name to sign with: the caller's (read up to its length or a NUL, never truncated), or
// the key's default ("SHA1" for RSA, "SM3" for SM2). 0 or 3004 (unknown hash, or a hash that does
// not fit the key: SM2 signs only with SM3, RSA never with it).
[[nodiscard]] uint32_t ChooseHashName(const char* hashName, int32_t hashNameLength,
                                      uint8_t algorithm, std::string& name);

}  // namespace kq::tools
