#pragma once
// The five hash classes over the system's own digest engines (platform/digest.h: OpenSSL's EVP
// on Linux, CNG on Windows). Each holds its engine and is ready for use as soon as it is made.

#include <memory>

#include "crypto/hash_alg.h"
#include "crypto/hash_base.h"
#include "platform/digest.h"

namespace kq {

// What the five classes share: the engine of their algorithm.
class CHashSystemEngine : public CHashBase {
 public:
  int Init() final;
  void Update(const uint8_t* data, uint32_t length) final;
  void Final(uint8_t* out) final;
  uint32_t GetDigestSize() final { return platform::DigestSize(kind_); }

 protected:
  explicit CHashSystemEngine(platform::DigestKind kind) : kind_(kind), engine_(kind) {}

 private:
  platform::DigestKind kind_;
  platform::DigestEngine engine_;
};

class CHashMD5 final : public CHashSystemEngine {
 public:
  CHashMD5() : CHashSystemEngine(platform::DigestKind::kMd5) {}
};

class CHashSHA1 final : public CHashSystemEngine {
 public:
  CHashSHA1() : CHashSystemEngine(platform::DigestKind::kSha1) {}
};

class CHashSHA256 final : public CHashSystemEngine {
 public:
  CHashSHA256() : CHashSystemEngine(platform::DigestKind::kSha256) {}
};

class CHashSHA384 final : public CHashSystemEngine {
 public:
  CHashSHA384() : CHashSystemEngine(platform::DigestKind::kSha384) {}
};

class CHashSHA512 final : public CHashSystemEngine {
 public:
  CHashSHA512() : CHashSystemEngine(platform::DigestKind::kSha512) {}
};

// A fresh, initialised object for SHA-1, SHA-256, SHA-384, SHA-512 or MD5; null for the SSL3
// pair (set by the caller, never hashed here) and for SM3 (which needs the signer's key).
std::unique_ptr<CHashBase> CreateHashEngine(HashAlg alg);

}  // namespace kq
