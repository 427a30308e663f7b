#include "platform/digest.h"

#include <openssl/evp.h>

#include <cstring>

namespace kq::platform {

namespace {

const EVP_MD* DigestOf(DigestKind kind) {
  switch (kind) {
    case DigestKind::kMd5:
      return EVP_md5();
    case DigestKind::kSha1:
      return EVP_sha1();
    case DigestKind::kSha256:
      return EVP_sha256();
    case DigestKind::kSha384:
      return EVP_sha384();
    case DigestKind::kSha512:
      return EVP_sha512();
  }
  return nullptr;
}

}  // namespace

struct DigestEngine::State {
  struct ContextFree {
    void operator()(EVP_MD_CTX* owned) const { EVP_MD_CTX_free(owned); }
  };
  std::unique_ptr<EVP_MD_CTX, ContextFree> context{EVP_MD_CTX_new()};
  const EVP_MD* digest = nullptr;
  bool usable = false;  // the last start succeeded
};

DigestEngine::DigestEngine(DigestKind kind) : kind_(kind), state_(std::make_unique<State>()) {
  state_->digest = DigestOf(kind);
  Start();
}

DigestEngine::~DigestEngine() = default;

void DigestEngine::Start() {
  state_->usable = state_->context != nullptr && state_->digest != nullptr &&
                   EVP_DigestInit_ex(state_->context.get(), state_->digest, nullptr) == 1;
}

void DigestEngine::Update(const uint8_t* data, size_t length) {
  if (state_->usable && length != 0) {
    state_->usable = EVP_DigestUpdate(state_->context.get(), data, length) == 1;
  }
}

void DigestEngine::Finish(uint8_t* out) {
  unsigned int written = 0;
  if (!state_->usable || EVP_DigestFinal_ex(state_->context.get(), out, &written) != 1) {
    std::memset(out, 0, DigestSize(kind_));
  }
  state_->usable = false;
}

}  // namespace kq::platform
