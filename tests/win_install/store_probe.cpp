// A Windows program that finds a user's certificate as mail clients and signing tools do: in the
// current user's "MY" store, by subject. "sign SUBJECT" signs a message with CryptSignMessage
// through the certificate's key-provider property (our provider, reached by its name) and has
// CryptVerifyMessageSignature check it; "absent" checks that no certificate in the store is linked
// to our provider; "keyset CONTAINER" creates a key container through our provider by its name
// (CryptAcquireContextA), generates a signature key, signs a SHA-256 hash with CryptSignHashA,
// has the Microsoft provider verify the signature, and deletes the container again. Each step
// prints one line; exit status 0 when every step held. Built for both architectures, it is the
// 32-bit and the 64-bit client of the installer's checks.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "win/support/win_crypt.h"

namespace {

bool Step(const char* what, BOOL ok) {
  std::printf("%s: %s (0x%08lX)\n", what, ok ? "ok" : "FAILED", ok ? 0UL : GetLastError());
  return ok != FALSE;
}

bool LinkedToUs(PCCERT_CONTEXT certificate) {
  std::vector<BYTE> info(4096);
  auto size = static_cast<DWORD>(info.size());
  return CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, info.data(),
                                           &size) &&
         std::wcscmp(reinterpret_cast<CRYPT_KEY_PROV_INFO*>(info.data())->pwszProvName,
                     L"KQCSP For ORV v2.0") == 0;
}

// A container of ours made, used for one signature that the Microsoft provider verifies, and
// deleted, as a program that signs with a fresh key does.
bool SignWithNewKeyset(const std::string& container) {
  using namespace kq::wintest;
  const std::string provider = "KQCSP For ORV v2.0";
  bool ok = true;
  {
    CryptContext prov;
    CryptKey key;
    CryptHash hash;
    const Bytes data = {'p', 'a', 'y', ' ', '4', '2'};
    ok = Step("CryptAcquireContextA CRYPT_NEWKEYSET",
              CryptAcquireContextA(prov.out(), container.c_str(), provider.c_str(), PROV_RSA_FULL,
                                   CRYPT_NEWKEYSET)) &&
         Step("CryptGenKey AT_SIGNATURE",
              CryptGenKey(prov.get(), AT_SIGNATURE, 1024u << 16, key.out())) &&
         Step("CryptCreateHash CALG_SHA_256",
              CryptCreateHash(prov.get(), CALG_SHA_256, 0, 0, hash.out())) &&
         Step("CryptHashData",
              CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0));
    Bytes signature;
    if (ok) {
      signature = Fetch([&](BYTE* out, DWORD* n) {
        return CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, out, n);
      });
      ok = Step("CryptSignHashA", !signature.empty()) &&
           Step("the Microsoft provider verifies",
                MicrosoftProviderVerifies(ExportPublicKeyBlob(key.get()), CALG_SHA_256, data,
                                          signature));
    }
  }
  HCRYPTPROV none = 0;
  return Step("CryptAcquireContextA CRYPT_DELETEKEYSET",
              CryptAcquireContextA(&none, container.c_str(), provider.c_str(), PROV_RSA_FULL,
                                   CRYPT_DELETEKEYSET)) &&
         ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace kq::wintest;
  const HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, L"MY");
  bool ok = Step("CertOpenStore MY", store != nullptr);
  if (ok && argc == 3 && std::wcscmp(argv[1], L"sign") == 0) {
    const CertificateContext certificate(CertFindCertificateInStore(
        store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W, argv[2], nullptr));
    const std::string text = "a payment order signed from the user's store";
    const Bytes message =
        certificate.get() == nullptr ? Bytes{} : SignMessage(certificate.get(), text);
    ok = Step("CertFindCertificateInStore", certificate.get() != nullptr) &&
         Step("linked to the provider", LinkedToUs(certificate.get())) &&
         Step("CryptSignMessage", !message.empty()) &&
         Step("CryptVerifyMessageSignature", VerifiedContent(message) == text);
  } else if (ok && argc == 2 && std::wcscmp(argv[1], L"absent") == 0) {
    int linked = 0;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
      linked += LinkedToUs(c) ? 1 : 0;
    }
    std::printf("certificates linked to the provider: %d\n", linked);
    ok = linked == 0;
  } else if (ok && argc == 3 && std::wcscmp(argv[1], L"keyset") == 0) {
    std::string container;
    for (const wchar_t* c = argv[2]; *c != L'\0'; ++c) {
      container.push_back(static_cast<char>(*c));  // ASCII names only
    }
    ok = SignWithNewKeyset(container);
  } else {
    std::printf("usage: store_probe sign SUBJECT | absent | keyset CONTAINER\n");
    ok = false;
  }
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
