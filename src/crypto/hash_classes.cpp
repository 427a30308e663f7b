#include "crypto/hash_classes.h"

namespace kq {

// The engines cannot fail for in-memory data (no hardware back end is configured), so their
// results are not consulted: the classes have no failure path.

CHashMD5::CHashMD5() {
  mbedtls_md5_init(&ctx_);
  CHashMD5::Init();
}
CHashMD5::~CHashMD5() {
  mbedtls_md5_free(&ctx_);
}
int CHashMD5::Init() {
  (void)mbedtls_md5_starts_ret(&ctx_);
  return 0;
}
void CHashMD5::Update(const uint8_t* data, uint32_t length) {
  if (length != 0) {
    (void)mbedtls_md5_update_ret(&ctx_, data, length);
  }
}
void CHashMD5::Final(uint8_t* out) {
  (void)mbedtls_md5_finish_ret(&ctx_, out);
}

CHashSHA1::CHashSHA1() {
  mbedtls_sha1_init(&ctx_);
  CHashSHA1::Init();
}
CHashSHA1::~CHashSHA1() {
  mbedtls_sha1_free(&ctx_);
}
int CHashSHA1::Init() {
  (void)mbedtls_sha1_starts_ret(&ctx_);
  return 0;
}
void CHashSHA1::Update(const uint8_t* data, uint32_t length) {
  if (length != 0) {
    (void)mbedtls_sha1_update_ret(&ctx_, data, length);
  }
}
void CHashSHA1::Final(uint8_t* out) {
  (void)mbedtls_sha1_finish_ret(&ctx_, out);
}

CHashSHA256::CHashSHA256() {
  mbedtls_sha256_init(&ctx_);
  CHashSHA256::Init();
}
CHashSHA256::~CHashSHA256() {
  mbedtls_sha256_free(&ctx_);
}
int CHashSHA256::Init() {
  (void)mbedtls_sha256_starts_ret(&ctx_, 0);
  return 0;
}
void CHashSHA256::Update(const uint8_t* data, uint32_t length) {
  if (length != 0) {
    (void)mbedtls_sha256_update_ret(&ctx_, data, length);
  }
}
void CHashSHA256::Final(uint8_t* out) {
  (void)mbedtls_sha256_finish_ret(&ctx_, out);
}

CHashSha512Engine::CHashSha512Engine() {
  mbedtls_sha512_init(&ctx_);
}
CHashSha512Engine::~CHashSha512Engine() {
  mbedtls_sha512_free(&ctx_);
}
int CHashSha512Engine::Start(bool is384) {
  (void)mbedtls_sha512_starts_ret(&ctx_, is384 ? 1 : 0);
  return 0;
}
void CHashSha512Engine::Update(const uint8_t* data, uint32_t length) {
  if (length != 0) {
    (void)mbedtls_sha512_update_ret(&ctx_, data, length);
  }
}
void CHashSha512Engine::Final(uint8_t* out) {
  (void)mbedtls_sha512_finish_ret(&ctx_, out);
}

std::unique_ptr<CHashBase> CreateHashEngine(HashAlg alg) {
  switch (alg) {
    case HashAlg::kMd5:
      return std::make_unique<CHashMD5>();
    case HashAlg::kSha1:
      return std::make_unique<CHashSHA1>();
    case HashAlg::kSha256:
      return std::make_unique<CHashSHA256>();
    case HashAlg::kSha384:
      return std::make_unique<CHashSHA384>();
    case HashAlg::kSha512:
      return std::make_unique<CHashSHA512>();
    case HashAlg::kSsl3ShaMd5:
    case HashAlg::kSm3:
      break;
  }
  return nullptr;
}

}  // namespace kq
