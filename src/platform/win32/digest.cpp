#include "platform/digest.h"

#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <cstring>

namespace kq::platform {

namespace {

const wchar_t* AlgorithmOf(DigestKind kind) {
  switch (kind) {
    case DigestKind::kMd5:
      return BCRYPT_MD5_ALGORITHM;
    case DigestKind::kSha1:
      return BCRYPT_SHA1_ALGORITHM;
    case DigestKind::kSha256:
      return BCRYPT_SHA256_ALGORITHM;
    case DigestKind::kSha384:
      return BCRYPT_SHA384_ALGORITHM;
    case DigestKind::kSha512:
      return BCRYPT_SHA512_ALGORITHM;
  }
  return nullptr;
}

}  // namespace

// The algorithm provider is opened once per engine; each digest is a hash object of its own,
// destroyed when the next one starts or the engine goes.
struct DigestEngine::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;

  void DropHash() {
    if (hash != nullptr) {
      BCryptDestroyHash(hash);
      hash = nullptr;
    }
  }
  ~State() {
    DropHash();
    if (algorithm != nullptr) {
      BCryptCloseAlgorithmProvider(algorithm, 0);
    }
  }
};

DigestEngine::DigestEngine(DigestKind kind) : kind_(kind), state_(std::make_unique<State>()) {
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&state_->algorithm, AlgorithmOf(kind), nullptr, 0))) {
    state_->algorithm = nullptr;
  }
  Start();
}

DigestEngine::~DigestEngine() = default;

void DigestEngine::Start() {
  state_->DropHash();
  if (state_->algorithm != nullptr &&
      !BCRYPT_SUCCESS(
          BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0))) {
    state_->hash = nullptr;
  }
}

void DigestEngine::Update(const uint8_t* data, size_t length) {
  // CNG takes at most 4 GiB - 1 per call.
  while (state_->hash != nullptr && length != 0) {
    const ULONG piece = length > 0x80000000u ? 0x80000000u : static_cast<ULONG>(length);
    if (!BCRYPT_SUCCESS(BCryptHashData(state_->hash, const_cast<PUCHAR>(data), piece, 0))) {
      state_->DropHash();
      return;
    }
    data += piece;
    length -= piece;
  }
}

void DigestEngine::Finish(uint8_t* out) {
  if (state_->hash == nullptr ||
      !BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, out, DigestSize(kind_), 0))) {
    std::memset(out, 0, DigestSize(kind_));
  }
  state_->DropHash();
}

}  // namespace kq::platform
