// A provider context of the demo's CryptoAPI and what it makes, released in reverse order.
#include "crypto_api.h"
#include "status_text.h"

namespace kq::cli {

namespace {
constexpr size_t kSignatureRoom = 512;  // RSA 4096
}  // namespace

CryptoContext::~CryptoContext() {
  if (hash_ != 0) {
    api_.DestroyHash(provider_, hash_);
  }
  if (key_ != 0) {
    api_.DestroyKey(provider_, key_);
  }
  if (acquired_) {
    api_.ReleaseContext(provider_);
  }
}

bool CryptoContext::Check(bool result, std::string_view function) {
  if (!result) {
    failedCall_ = function;
    failedStatus_ = api_.LastError();
  }
  return result;
}

std::string CryptoContext::Failure() const {
  return std::string(failedCall_) + " " + StatusLine(DescribeLastError(failedStatus_));
}

bool CryptoContext::Acquire(const std::string* container, uint32_t flags) {
  const bool ok =
      Check(api_.AcquireContext(provider_, container, flags), CryptoApi::Names().acquire);
  // Deleting a key set succeeds with no context to release (advapi32 returns handle 0).
  acquired_ = ok && provider_ != 0;
  return ok;
}

bool CryptoContext::GetProvParam(uint32_t param, std::span<uint8_t> data, uint32_t& length,
                                 uint32_t flags) {
  length = static_cast<uint32_t>(data.size());
  return Check(api_.GetProvParam(provider_, param, data.data(), &length, flags),
               CryptoApi::Names().getProvParam);
}

bool CryptoContext::UseUserKey(uint32_t keySpec) {
  if (key_ != 0) {
    api_.DestroyKey(provider_, key_);
    key_ = 0;
  }
  return Check(api_.GetUserKey(provider_, keySpec, key_), CryptoApi::Names().getUserKey);
}

bool CryptoContext::KeyParam32(uint32_t param, uint32_t& value) {
  uint8_t bytes[4] = {};
  uint32_t length = sizeof bytes;
  if (!Check(api_.GetKeyParam(provider_, key_, param, bytes, &length),
             CryptoApi::Names().getKeyParam)) {
    return false;
  }
  value = bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
  return true;
}

bool CryptoContext::Hash(uint32_t algorithm, std::span<const uint8_t> data) {
  if (hash_ != 0) {
    api_.DestroyHash(provider_, hash_);
    hash_ = 0;
  }
  return Check(api_.CreateHash(provider_, algorithm, hash_), CryptoApi::Names().createHash) &&
         Check(api_.HashData(provider_, hash_, data), CryptoApi::Names().hashData);
}

bool CryptoContext::Sign(uint32_t keySpec, std::vector<uint8_t>& signature) {
  // Room for the largest key in one call: a size query first would cost a second login.
  signature.assign(kSignatureRoom, 0);
  auto length = static_cast<uint32_t>(signature.size());
  if (!Check(api_.SignHash(provider_, hash_, keySpec, signature.data(), &length),
             CryptoApi::Names().signHash)) {
    return false;
  }
  signature.resize(length);
  return true;
}

bool CryptoContext::Verify(std::span<const uint8_t> signature) {
  return Check(api_.VerifySignature(provider_, hash_, signature, key_),
               CryptoApi::Names().verifySignature);
}

}  // namespace kq::cli
