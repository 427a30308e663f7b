// A Windows program that finds a user's certificate as mail clients and signing tools do: in the
// current user's "MY" store, by subject. "sign SUBJECT" signs a message with CryptSignMessage
// through the certificate's key-provider property (our provider, reached by its name) and has
// CryptVerifyMessageSignature check it; "absent" checks that no certificate in the store is linked
// to our provider. Each step prints one line; exit status 0 when every step held.
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
  } else {
    std::printf("usage: store_probe sign SUBJECT | absent\n");
    ok = false;
  }
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
