// A Windows program that finds a user's certificate as mail clients and signing tools do: in the
// current user's "MY" store, by subject. With "sign SUBJECT" it finds the certificate, acquires
// its private key through the key-provider property (our provider), signs a message with
// CryptSignMessage and has CryptVerifyMessageSignature check it. With "absent" it checks that no
// certificate in the store is linked to our provider. Exit status 0 when every step held.
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr wchar_t kProvider[] = L"KQCSP For ORV v2.0";

bool Step(const char* what, BOOL ok) {
  std::printf("%s: %s (0x%08lX)\n", what, ok ? "ok" : "FAILED", ok ? 0UL : GetLastError());
  return ok != FALSE;
}

bool LinkedToUs(PCCERT_CONTEXT certificate) {
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) {
    return false;
  }
  std::vector<BYTE> buffer(size);
  if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(),
                                         &size)) {
    return false;
  }
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
  return info->pwszProvName != nullptr && std::wcscmp(info->pwszProvName, kProvider) == 0;
}

bool Sign(HCERTSTORE store, const wchar_t* subject) {
  PCCERT_CONTEXT certificate =
      CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_STR_W, subject, nullptr);
  if (!Step("CertFindCertificateInStore", certificate != nullptr)) {
    return false;
  }
  bool ok = Step("linked to the provider", LinkedToUs(certificate));
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD keySpec = 0;
  BOOL mustFree = FALSE;
  ok = ok &&
       Step("CryptAcquireCertificatePrivateKey",
            CryptAcquireCertificatePrivateKey(certificate, 0, nullptr, &key, &keySpec, &mustFree));
  if (ok && mustFree) {
    CryptReleaseContext(key, 0);
  }

  static const BYTE message[] = "a payment order signed from the user's store";
  const BYTE* parts[] = {message};
  DWORD partLengths[] = {sizeof message};
  CRYPT_SIGN_MESSAGE_PARA para{};
  para.cbSize = sizeof para;
  para.dwMsgEncodingType = kEncoding;
  para.pSigningCert = certificate;
  para.HashAlgorithm.pszObjId = const_cast<char*>(szOID_NIST_sha256);
  para.cMsgCert = 1;
  para.rgpMsgCert = &certificate;
  std::vector<BYTE> signedMessage;
  DWORD length = 0;
  ok = ok && Step("CryptSignMessage (size)",
                  CryptSignMessage(&para, FALSE, 1, parts, partLengths, nullptr, &length));
  if (ok) {
    signedMessage.resize(length);
    ok = Step("CryptSignMessage",
              CryptSignMessage(&para, FALSE, 1, parts, partLengths, signedMessage.data(), &length));
    signedMessage.resize(length);
  }
  if (ok) {
    CRYPT_VERIFY_MESSAGE_PARA verify{};
    verify.cbSize = sizeof verify;
    verify.dwMsgAndCertEncodingType = kEncoding;
    std::vector<BYTE> content(signedMessage.size());
    DWORD contentLength = static_cast<DWORD>(content.size());
    ok = Step("CryptVerifyMessageSignature",
              CryptVerifyMessageSignature(&verify, 0, signedMessage.data(),
                                          static_cast<DWORD>(signedMessage.size()), content.data(),
                                          &contentLength, nullptr)) &&
         Step("the signed content is the message",
              contentLength == sizeof message &&
                  std::memcmp(content.data(), message, sizeof message) == 0);
  }
  CertFreeCertificateContext(certificate);
  return ok;
}

bool Absent(HCERTSTORE store) {
  int linked = 0;
  PCCERT_CONTEXT current = nullptr;
  while ((current = CertEnumCertificatesInStore(store, current)) != nullptr) {
    linked += LinkedToUs(current) ? 1 : 0;
  }
  std::printf("certificates linked to the provider: %d\n", linked);
  return linked == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, L"MY");
  if (!Step("CertOpenStore MY", store != nullptr)) {
    return 1;
  }
  bool ok = false;
  if (argc == 3 && std::wcscmp(argv[1], L"sign") == 0) {
    ok = Sign(store, argv[2]);
  } else if (argc == 2 && std::wcscmp(argv[1], L"absent") == 0) {
    ok = Absent(store);
  } else {
    std::printf("usage: store_probe sign SUBJECT | absent\n");
  }
  CertCloseStore(store, 0);
  return ok ? 0 : 1;
}
