// POSIX has no CryptoAPI: the provider's library is loaded from the registered "Image Path" and
// its CP* entry points are called as advapi32 calls them.
#include "crypto_api.h"
#include "provider_library.h"

namespace kq::cli {

struct CryptoApi::Backend {
  ProviderLibrary library;
};

namespace {
constexpr CryptoApiNames kNames = {
    "load the provider like CryptoAPI",
    "sign a transaction with CPSignHash",
    "verify it with CPVerifySignature",
    "CPAcquireContext",
    "on the \"Image Path\"",
    "CPGetProvParam",
    "CPGetUserKey",
    "CPGetKeyParam",
    "CPCreateHash",
    "CPHashData",
    "CPSignHash",
    "CPVerifySignature",
};
}  // namespace

const CryptoApiNames& CryptoApi::Names() {
  return kNames;
}

std::optional<CryptoApi> CryptoApi::Open(const std::string& providerName,
                                         const std::string& imagePath, std::string& error) {
  (void)providerName;  // the registration under the name gave the "Image Path"
  std::optional<ProviderLibrary> library = ProviderLibrary::Load(imagePath, {}, error);
  if (!library) {
    return std::nullopt;
  }
  return CryptoApi(std::make_unique<Backend>(Backend{std::move(*library)}));
}

CryptoApi::CryptoApi(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}
CryptoApi::CryptoApi(CryptoApi&& other) noexcept = default;
CryptoApi& CryptoApi::operator=(CryptoApi&& other) noexcept = default;
CryptoApi::~CryptoApi() = default;

bool CryptoApi::AcquireContext(KqHandle& provider, const std::string* container,
                               uint32_t flags) const {
  return backend_->library.exports().CPAcquireContext(
             &provider, container != nullptr ? container->c_str() : nullptr, flags, nullptr) != 0;
}

bool CryptoApi::ReleaseContext(KqHandle provider) const {
  return backend_->library.exports().CPReleaseContext(provider, 0) != 0;
}

bool CryptoApi::GetProvParam(KqHandle provider, uint32_t param, uint8_t* data, uint32_t* length,
                             uint32_t flags) const {
  return backend_->library.exports().CPGetProvParam(provider, param, data, length, flags) != 0;
}

bool CryptoApi::GetUserKey(KqHandle provider, uint32_t keySpec, KqHandle& key) const {
  return backend_->library.exports().CPGetUserKey(provider, keySpec, &key) != 0;
}

bool CryptoApi::GetKeyParam(KqHandle provider, KqHandle key, uint32_t param, uint8_t* data,
                            uint32_t* length) const {
  return backend_->library.exports().CPGetKeyParam(provider, key, param, data, length, 0) != 0;
}

bool CryptoApi::DestroyKey(KqHandle provider, KqHandle key) const {
  return backend_->library.exports().CPDestroyKey(provider, key) != 0;
}

bool CryptoApi::CreateHash(KqHandle provider, uint32_t algorithm, KqHandle& hash) const {
  return backend_->library.exports().CPCreateHash(provider, algorithm, 0, 0, &hash) != 0;
}

bool CryptoApi::HashData(KqHandle provider, KqHandle hash, std::span<const uint8_t> data) const {
  return backend_->library.exports().CPHashData(provider, hash, data.data(),
                                                static_cast<uint32_t>(data.size()), 0) != 0;
}

bool CryptoApi::SignHash(KqHandle provider, KqHandle hash, uint32_t keySpec, uint8_t* signature,
                         uint32_t* length) const {
  return backend_->library.exports().CPSignHash(provider, hash, keySpec, nullptr, 0, signature,
                                                length) != 0;
}

bool CryptoApi::VerifySignature(KqHandle provider, KqHandle hash,
                                std::span<const uint8_t> signature, KqHandle key) const {
  return backend_->library.exports().CPVerifySignature(provider, hash, signature.data(),
                                                       static_cast<uint32_t>(signature.size()), key,
                                                       nullptr, 0) != 0;
}

bool CryptoApi::DestroyHash(KqHandle provider, KqHandle hash) const {
  return backend_->library.exports().CPDestroyHash(provider, hash) != 0;
}

uint32_t CryptoApi::LastError() const {
  return backend_->library.LastError();
}

}  // namespace kq::cli
