// Hash objects: creation, data, parameters, destruction.
#include "provider/hash_operations.h"

#include <algorithm>
#include <cstring>

#include "common/codes_cryptoapi.h"
#include "crypto/hash_classes.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

namespace {

constexpr uint32_t kHpAlgId = 1;
constexpr uint32_t kHpHashVal = 2;
constexpr uint32_t kHpHashSize = 4;

}  // namespace

std::span<const uint8_t> FinishHash(HashObject& hash) {
  if (hash.state != HashState::kValueFixed && hash.engine != nullptr) {
    hash.hashSize = std::min<uint32_t>(hash.engine->GetDigestSize(), kMaxHashDigestSize);
    hash.engine->Final(hash.hashValue.data());
    hash.state = HashState::kValueFixed;
  }
  return std::span<const uint8_t>(hash.hashValue).first(hash.hashSize);
}

KqBool CreateHashOn(ProviderContext& context, uint32_t algId, KqHandle hKey, uint32_t /*flags*/,
                    KqHandle* phHash) {
  const CryptoApiHash* known = FindCryptoApiHash(algId);
  if (known == nullptr) {
    return Fail(algId == kCalgHmac && hKey == 0 ? win::kNteBadKey : win::kNteBadAlgId);
  }
  if (hKey != 0 || phHash == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  auto hash = std::make_unique<HashObject>();
  hash->algId = algId;
  hash->hashAlg = known->hashAlg;
  hash->hashSize = known->digestSize;
  if (known->hashedOnHost) {
    hash->engine = CreateHashEngine(known->hashAlg);
    if (hash->engine == nullptr) {
      return Fail(win::kNteFail);
    }
    hash->engine->Init();
  }
  *phHash = context.AddHash(std::move(hash));
  return Succeed();
}

KqBool HashDataOn(ProviderContext& context, KqHandle hHash, const uint8_t* data,
                  uint32_t dataLength) {
  const HeldHash hash(context.FindHash(hHash));
  if (hash.busy()) {
    return Fail(win::kErrorBusy);
  }
  if (!hash.found()) {
    return Fail(win::kNteBadHash);
  }
  if (hash->state == HashState::kValueFixed || hash->engine == nullptr) {
    return Fail(win::kNteBadHashState);
  }
  if (data == nullptr && dataLength != 0) {
    return Fail(win::kErrorInvalidParameter);
  }
  // An MD5 hash is never signed as a transaction message, so its data need not be kept.
  if (hash->algId != kCalgMd5) {
    hash->message.Append({data, dataLength});
  }
  hash->engine->Update(data, dataLength);
  hash->state = HashState::kDataHashed;
  hash->hasMessage = true;
  return Succeed();
}

KqBool SetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t param, const uint8_t* data,
                      uint32_t /*flags*/) {
  const HeldHash hash(context.FindHash(hHash));
  if (hash.busy()) {
    return Fail(win::kErrorBusy);
  }
  if (!hash.found()) {
    return Fail(win::kNteBadHash);
  }
  if (param != kHpHashVal) {
    return Fail(win::kNteBadType);
  }
  if (hash->state == HashState::kValueFixed) {
    return Fail(win::kNteBadHashState);
  }
  if (data == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  std::memcpy(hash->hashValue.data(), data, hash->hashSize);
  hash->state = HashState::kValueFixed;
  hash->hasMessage = false;
  hash->message.Reset();
  return Succeed();
}

KqBool GetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t param, uint8_t* data,
                      uint32_t* dataLength, uint32_t /*flags*/) {
  const HeldHash hash(context.FindHash(hHash));
  if (hash.busy()) {
    return Fail(win::kErrorBusy);
  }
  if (!hash.found()) {
    return Fail(win::kNteBadHash);
  }
  uint32_t size = 0;
  switch (param) {
    case kHpAlgId:
    case kHpHashSize:
      size = 4;
      break;
    case kHpHashVal:
      size = hash->hashSize;
      break;
    default:
      return Fail(win::kNteBadType);
  }
  if (dataLength == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  if (data == nullptr) {
    *dataLength = size;
    return Succeed();
  }
  const uint32_t room = *dataLength;
  *dataLength = size;
  if (room < size) {
    return Fail(win::kErrorMoreData);
  }
  if (param == kHpHashVal) {
    const std::span<const uint8_t> digest = FinishHash(*hash);
    std::copy(digest.begin(), digest.end(), data);
    *dataLength = static_cast<uint32_t>(digest.size());
  } else {
    const uint32_t value = param == kHpAlgId ? hash->algId : hash->hashSize;
    std::memcpy(data, &value, sizeof value);
  }
  return Succeed();
}

KqBool DestroyHashOn(ProviderContext& context, KqHandle hHash) {
  if (!context.EraseHash(hHash)) {
    return Fail(win::kNteBadHash);
  }
  return Succeed();
}

}  // namespace kq::provider
