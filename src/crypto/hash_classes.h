#pragma once
// The five hash classes over mbed TLS's MD5, SHA-1, SHA-256 and SHA-512 engines. Each holds
// its engine context by value and is ready for use as soon as it is made.

#include <mbedtls/md5.h>
#include <mbedtls/sha1.h>
#include <mbedtls/sha256.h>
#include <mbedtls/sha512.h>

#include <memory>

#include "crypto/hash_alg.h"
#include "crypto/hash_base.h"

namespace kq {

class CHashMD5 final : public CHashBase {
 public:
  CHashMD5();
  ~CHashMD5() override;
  int Init() override;
  void Update(const uint8_t* data, uint32_t length) override;
  void Final(uint8_t* out) override;
  uint32_t GetDigestSize() override { return 16; }

 private:
  mbedtls_md5_context ctx_;
};

class CHashSHA1 final : public CHashBase {
 public:
  CHashSHA1();
  ~CHashSHA1() override;
  int Init() override;
  void Update(const uint8_t* data, uint32_t length) override;
  void Final(uint8_t* out) override;
  uint32_t GetDigestSize() override { return 20; }

 private:
  mbedtls_sha1_context ctx_;
};

class CHashSHA256 final : public CHashBase {
 public:
  CHashSHA256();
  ~CHashSHA256() override;
  int Init() override;
  void Update(const uint8_t* data, uint32_t length) override;
  void Final(uint8_t* out) override;
  uint32_t GetDigestSize() override { return 32; }

 private:
  mbedtls_sha256_context ctx_;
};

// SHA-384 and SHA-512 run on the same engine, which honours the context's SHA-384 flag, so
// they share Update and Final and differ only in their initial state and digest size.
class CHashSha512Engine : public CHashBase {
 public:
  CHashSha512Engine();
  ~CHashSha512Engine() override;
  void Update(const uint8_t* data, uint32_t length) final;
  void Final(uint8_t* out) final;

 protected:
  int Start(bool is384);

 private:
  mbedtls_sha512_context ctx_;
};

class CHashSHA384 final : public CHashSha512Engine {
 public:
  CHashSHA384() { CHashSHA384::Init(); }
  int Init() override { return Start(true); }
  uint32_t GetDigestSize() override { return 48; }
};

class CHashSHA512 final : public CHashSha512Engine {
 public:
  CHashSHA512() { CHashSHA512::Init(); }
  int Init() override { return Start(false); }
  uint32_t GetDigestSize() override { return 64; }
};

// A fresh, initialised object for SHA-1, SHA-256, SHA-384, SHA-512 or MD5; null for the SSL3
// pair (set by the caller, never hashed here) and for SM3 (which needs the signer's key).
std::unique_ptr<CHashBase> CreateHashEngine(HashAlg alg);

}  // namespace kq
