// A Windows program that finds a user's certificate as mail clients and signing tools do: in the
// current user's "MY" store, by subject. "sign SUBJECT" signs a message with CryptSignMessage
// through the certificate's key-provider property (our provider, reached by its name) and has
// CryptVerifyMessageSignature check it; "absent" checks that no certificate in the store is linked
// to our provider. As a user who imported a software copy of a certificate would, "foreign FILE"
// adds the DER certificate in FILE linked to the Microsoft provider, "link SUBJECT" prints the
// provider that the certificate's link names, and "forget SUBJECT" deletes it. Each step prints
// one line; exit status 0 when every step held.
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "win/support/win_crypt.h"

namespace {

bool Step(const char* what, BOOL ok) {
  std::printf("%s: %s (0x%08lX)\n", what, ok ? "ok" : "FAILED", ok ? 0UL : GetLastError());
  return ok != FALSE;
}

// The provider that the certificate's key link names; empty without a link.
std::wstring LinkedProvider(PCCERT_CONTEXT certificate) {
  std::vector<BYTE> info(4096);
  auto size = static_cast<DWORD>(info.size());
  return CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, info.data(),
                                           &size)
             ? reinterpret_cast<CRYPT_KEY_PROV_INFO*>(info.data())->pwszProvName
             : L"";
}

bool LinkedToUs(PCCERT_CONTEXT certificate) {
  return LinkedProvider(certificate) == L"KQCSP For ORV v2.0";
}

// The user's own changes go to the registry store itself (through the system store's collection
// they do not reach the registry under Wine).
bool ChangeUserStore(const wchar_t* command, const wchar_t* argument) {
  const HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
  bool ok = Step("CertOpenStore MY (registry)", store != nullptr);
  if (ok && std::wcscmp(command, L"foreign") == 0) {
    std::ifstream file(argument, std::ios::binary);
    const kq::wintest::Bytes der{std::istreambuf_iterator<char>(file),
                                 std::istreambuf_iterator<char>()};
    PCCERT_CONTEXT added = nullptr;
    ok = Step("CertAddEncodedCertificateToStore",
              CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW,
                                               &added));
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t*>(L"a software copy");
    info.pwszProvName = const_cast<wchar_t*>(MS_ENHANCED_PROV_W);
    info.dwProvType = PROV_RSA_FULL;
    info.dwKeySpec = AT_SIGNATURE;
    ok = ok && Step("linked to the Microsoft provider",
                    CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    CertFreeCertificateContext(added);
  } else if (ok) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_SUBJECT_STR_W, argument, nullptr);
    ok = Step("CertFindCertificateInStore", found != nullptr);
    if (ok && std::wcscmp(command, L"link") == 0) {
      std::printf("linked to: %ls\n", LinkedProvider(found).c_str());
      CertFreeCertificateContext(found);
    } else if (ok) {  // forget
      ok = Step("CertDeleteCertificateFromStore", CertDeleteCertificateFromStore(found));
    }
  }
  CertCloseStore(store, 0);
  return ok;
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
  } else if (ok && argc == 3 &&
             (std::wcscmp(argv[1], L"foreign") == 0 || std::wcscmp(argv[1], L"link") == 0 ||
              std::wcscmp(argv[1], L"forget") == 0)) {
    ok = ChangeUserStore(argv[1], argv[2]);
  } else {
    std::printf(
        "usage: store_probe sign SUBJECT | absent | foreign FILE | link SUBJECT | "
        "forget SUBJECT\n");
    ok = false;
  }
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
