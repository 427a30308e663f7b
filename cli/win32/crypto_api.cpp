// Windows: advapi32 finds the provider by its registered name and loads its "Image Path" itself.
#include <windows.h>

#include <wincrypt.h>

#include "common/utf.h"

#include "crypto_api.h"

namespace kq::cli {

struct CryptoApi::Backend {
  std::wstring providerName;
};

namespace {

constexpr CryptoApiNames kNames = {
    "open the provider through CryptoAPI",
    "sign a transaction with CryptSignHashW",
    "verify it with CryptVerifySignatureW",
    "CryptAcquireContextW",
    "by the provider's name (advapi32 loads its \"Image Path\")",
    "CryptGetProvParam",
    "CryptGetUserKey",
    "CryptGetKeyParam",
    "CryptCreateHash",
    "CryptHashData",
    "CryptSignHashW",
    "CryptVerifySignatureW",
};

std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return {wide.begin(), wide.end()};
}

}  // namespace

const CryptoApiNames& CryptoApi::Names() {
  return kNames;
}

std::optional<CryptoApi> CryptoApi::Open(const std::string& providerName,
                                         const std::string& imagePath, std::string& error) {
  (void)imagePath;  // advapi32 reads it from the registration itself
  (void)error;
  return CryptoApi(std::make_unique<Backend>(Backend{Wide(providerName)}));
}

CryptoApi::CryptoApi(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}
CryptoApi::CryptoApi(CryptoApi&& other) noexcept = default;
CryptoApi& CryptoApi::operator=(CryptoApi&& other) noexcept = default;
CryptoApi::~CryptoApi() = default;

bool CryptoApi::AcquireContext(KqHandle& provider, const std::string* container,
                               uint32_t flags) const {
  const std::wstring name = container != nullptr ? Wide(*container) : std::wstring();
  HCRYPTPROV handle = 0;
  const BOOL acquired = CryptAcquireContextW(&handle, container != nullptr ? name.c_str() : nullptr,
                                             backend_->providerName.c_str(), PROV_RSA_FULL, flags);
  provider = handle;
  return acquired != FALSE;
}

bool CryptoApi::ReleaseContext(KqHandle provider) const {
  return CryptReleaseContext(provider, 0) != FALSE;
}

bool CryptoApi::GetProvParam(KqHandle provider, uint32_t param, uint8_t* data, uint32_t* length,
                             uint32_t flags) const {
  DWORD size = *length;
  const BOOL got = CryptGetProvParam(provider, param, data, &size, flags);
  *length = size;
  return got != FALSE;
}

bool CryptoApi::GetUserKey(KqHandle provider, uint32_t keySpec, KqHandle& key) const {
  HCRYPTKEY handle = 0;
  const BOOL got = CryptGetUserKey(provider, keySpec, &handle);
  key = handle;
  return got != FALSE;
}

bool CryptoApi::GetKeyParam(KqHandle provider, KqHandle key, uint32_t param, uint8_t* data,
                            uint32_t* length) const {
  (void)provider;
  DWORD size = *length;
  const BOOL got = CryptGetKeyParam(key, param, data, &size, 0);
  *length = size;
  return got != FALSE;
}

bool CryptoApi::DestroyKey(KqHandle provider, KqHandle key) const {
  (void)provider;
  return CryptDestroyKey(key) != FALSE;
}

bool CryptoApi::CreateHash(KqHandle provider, uint32_t algorithm, KqHandle& hash) const {
  HCRYPTHASH handle = 0;
  const BOOL made = CryptCreateHash(provider, algorithm, 0, 0, &handle);
  hash = handle;
  return made != FALSE;
}

bool CryptoApi::HashData(KqHandle provider, KqHandle hash, std::span<const uint8_t> data) const {
  (void)provider;
  return CryptHashData(hash, data.data(), static_cast<DWORD>(data.size()), 0) != FALSE;
}

bool CryptoApi::SignHash(KqHandle provider, KqHandle hash, uint32_t keySpec, uint8_t* signature,
                         uint32_t* length) const {
  (void)provider;
  DWORD size = *length;
  const BOOL signedHash = CryptSignHashW(hash, keySpec, nullptr, 0, signature, &size);
  *length = size;
  return signedHash != FALSE;
}

bool CryptoApi::VerifySignature(KqHandle provider, KqHandle hash,
                                std::span<const uint8_t> signature, KqHandle key) const {
  (void)provider;
  return CryptVerifySignatureW(hash, signature.data(), static_cast<DWORD>(signature.size()), key,
                               nullptr, 0) != FALSE;
}

bool CryptoApi::DestroyHash(KqHandle provider, KqHandle hash) const {
  (void)provider;
  return CryptDestroyHash(hash) != FALSE;
}

uint32_t CryptoApi::LastError() const {
  return GetLastError();
}

}  // namespace kq::cli
