#include <windows.h>

#include <wincrypt.h>

#include <memory>
#include <vector>

#include "common/utf.h"
#include "platform/certificate_store.h"

namespace kq::platform {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) {
    return {};
  }
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
using UserStore = std::unique_ptr<void, StoreCloser>;

struct CertificateFreer {
  void operator()(const CERT_CONTEXT* certificate) const {
    CertFreeCertificateContext(certificate);
  }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFreer>;

// The registry store behind the user's "MY" (made when the profile has none yet). It is opened
// itself rather than through the system store's collection: deletions through the collection do
// not reach the registry on every system.
UserStore OpenUserStore() {
  return UserStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                 CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
}

// The certificate's key link, when it has one.
bool ReadLink(PCCERT_CONTEXT certificate, StoreKeyLink& link) {
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ||
      size < sizeof(CRYPT_KEY_PROV_INFO)) {
    return false;
  }
  std::vector<uint8_t> buffer(size);
  if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(),
                                         &size)) {
    return false;
  }
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
  link.providerName = Narrow(info->pwszProvName);
  link.providerType = info->dwProvType;
  link.container = Narrow(info->pwszContainerName);
  link.keySpec = info->dwKeySpec;
  return true;
}

std::string Subject(PCCERT_CONTEXT certificate) {
  wchar_t text[1024] = {};
  DWORD form = CERT_X500_NAME_STR;
  CertGetNameStringW(certificate, CERT_NAME_RDN_TYPE, 0, &form, text, 1024);
  return Narrow(text);
}

struct LinkedCertificate {
  PCCERT_CONTEXT context;  // a duplicate of the store's; freed or deleted by the caller
  StoredCertificate entry;
};

// The store's certificates whose key link names the provider, collected before any is deleted:
// deleting while the enumeration runs is not safe on every system.
void FindLinked(const UserStore& store, const std::string& providerName,
                std::vector<LinkedCertificate>& found) {
  PCCERT_CONTEXT current = nullptr;
  while ((current = CertEnumCertificatesInStore(store.get(), current)) != nullptr) {
    StoreKeyLink link;
    if (ReadLink(current, link) && link.providerName == providerName) {
      found.push_back({CertDuplicateCertificateContext(current), {Subject(current), link}});
    }
  }
}

}  // namespace

uint32_t AddUserCertificate(std::span<const uint8_t> der, const StoreKeyLink& link,
                            std::optional<StoreKeyLink>& kept) {
  if (der.empty() || der.size() > 0x7FFFFFFF) {
    return ERROR_INVALID_PARAMETER;
  }
  const UserStore store = OpenUserStore();
  if (!store) {
    return GetLastError();
  }
  const auto size = static_cast<DWORD>(der.size());
  const Certificate candidate(CertCreateCertificateContext(kEncoding, der.data(), size));
  if (!candidate) {
    return GetLastError();
  }
  // The link goes on the candidate, which no store holds yet, and the candidate is added once
  // with it: a property set on a context of the registry store is not written back on every
  // system (Wine keeps the old entry), and adding first would leave an unlinked entry behind when
  // setting the link fails.
  std::wstring provider = Wide(link.providerName);
  std::wstring container = Wide(link.container);
  CRYPT_KEY_PROV_INFO info{};
  info.pwszContainerName = container.data();
  info.pwszProvName = provider.data();
  info.dwProvType = link.providerType;
  info.dwKeySpec = link.keySpec;
  if (!CertSetCertificateContextProperty(candidate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) {
    return GetLastError();
  }
  // An entry already there is replaced only when it links to this provider: one linked elsewhere
  // (or not at all) is the user's own, which unstore-certs would otherwise delete. It is deleted
  // and the candidate added anew, because Wine does not write a CERT_STORE_ADD_REPLACE_EXISTING
  // back to the registry either.
  Certificate existing(CertFindCertificateInStore(store.get(), kEncoding, 0, CERT_FIND_EXISTING,
                                                  candidate.get(), nullptr));
  if (existing) {
    StoreKeyLink found;
    if (!ReadLink(existing.get(), found) || found.providerName != link.providerName) {
      kept = found;
      return 0;
    }
    // (It frees the context, whatever it answers.)
    if (!CertDeleteCertificateFromStore(existing.release())) {
      return GetLastError();
    }
  }
  if (!CertAddCertificateContextToStore(store.get(), candidate.get(), CERT_STORE_ADD_NEW,
                                        nullptr)) {
    return GetLastError();
  }
  return 0;
}

uint32_t ListUserCertificates(const std::string& providerName,
                              std::vector<StoredCertificate>& found) {
  const UserStore store = OpenUserStore();
  if (!store) {
    return GetLastError();
  }
  std::vector<LinkedCertificate> linked;
  FindLinked(store, providerName, linked);
  for (LinkedCertificate& certificate : linked) {
    CertFreeCertificateContext(certificate.context);
    found.push_back(std::move(certificate.entry));
  }
  return 0;
}

uint32_t RemoveUserCertificates(const std::string& providerName,
                                std::vector<StoredCertificate>& removed) {
  const UserStore store = OpenUserStore();
  if (!store) {
    return GetLastError();
  }
  std::vector<LinkedCertificate> linked;
  FindLinked(store, providerName, linked);
  uint32_t status = 0;
  for (LinkedCertificate& certificate : linked) {
    // CertDeleteCertificateFromStore frees the context, whatever it answers.
    if (CertDeleteCertificateFromStore(certificate.context)) {
      removed.push_back(std::move(certificate.entry));
    } else if (status == 0) {
      status = GetLastError();
    }
  }
  return status;
}

}  // namespace kq::platform
