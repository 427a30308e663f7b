#pragma once
// The key pair of one key slot: RSA 1024, RSA 2048 or SM2. Private keys stay inside the key
// directory's own files; callers receive public parts and signatures only.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

// The algorithm nibble that ZANT_GetKeyInfo reports.
enum class KeyAlgorithm : uint8_t { kRsa1024 = 1, kRsa2048 = 2, kSm2 = 3 };

std::string_view KeyAlgorithmName(KeyAlgorithm algorithm);  // "rsa1024", "rsa2048", "sm2"
std::optional<KeyAlgorithm> KeyAlgorithmFromName(std::string_view name);
uint32_t KeyAlgorithmBits(KeyAlgorithm algorithm);  // 1024, 2048, 256
std::optional<KeyAlgorithm> KeyAlgorithmFromBits(uint32_t bits);

class KeyPair {
 public:
  KeyPair(KeyPair&&) noexcept;
  KeyPair& operator=(KeyPair&&) noexcept;
  ~KeyPair();

  static std::optional<KeyPair> Generate(KeyAlgorithm algorithm);
  // From PEM text: RSA as PKCS #1 or PKCS #8, SM2 as SEC 1 or PKCS #8.
  static std::optional<KeyPair> FromPem(std::string_view pem);
  // The key's own file form: RSA as PKCS #1 PEM, SM2 as SEC 1 PEM.
  [[nodiscard]] std::optional<std::string> ToPem() const;

  [[nodiscard]] KeyAlgorithm algorithm() const { return algorithm_; }
  [[nodiscard]] uint32_t bits() const { return KeyAlgorithmBits(algorithm_); }

  // What ZANT_ReadRSAPub hands out: RSA the modulus (bits/8 bytes) and the public exponent as 4
  // bytes; SM2 the coordinates X and Y (32 bytes each). All big-endian.
  [[nodiscard]] std::vector<uint8_t> PublicFirst() const;
  [[nodiscard]] std::vector<uint8_t> PublicSecond() const;

  // Signs a finished digest. RSA: PKCS #1 v1.5 with the DigestInfo of hash number 1 to 5, or the
  // raw 36-byte SSL3 value for 0. SM2: hash number 6, a 32-byte e, giving r || s. Returns the
  // device status (0, or 0x6700 for a wrong digest length, 0x6A80 for a hash the key cannot use).
  uint32_t SignDigest(uint32_t hashAlg, std::span<const uint8_t> digest,
                      std::vector<uint8_t>& signature) const;

  // The RSA public operation on a block of the modulus' size (ZANT_RSAPublicDec).
  uint32_t PublicOperation(std::span<const uint8_t> input, std::vector<uint8_t>& output) const;

 private:
  struct State;
  KeyPair(KeyAlgorithm algorithm, std::unique_ptr<State> state);
  KeyAlgorithm algorithm_;
  std::unique_ptr<State> state_;
};

// The digest of a whole message as the key computes it for ZANT_RSAPrivateSignEx: hash numbers
// 0 (MD5 then SHA-1 of the message, 36 bytes) to 5, and for an SM2 key number 6 with Z over the
// default identity "1234567812345678" and the key's public point.
std::optional<std::vector<uint8_t>> MessageDigest(const KeyPair& pair, uint32_t hashAlg,
                                                  std::span<const uint8_t> message);

}  // namespace kq::sim
