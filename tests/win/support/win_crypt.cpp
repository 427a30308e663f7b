#include "win/support/win_crypt.h"

#include <algorithm>

namespace kq::wintest {

namespace {

Bytes Decode(LPCSTR structType, const BYTE* data, DWORD size) {
  return Fetch([&](BYTE* out, DWORD* length) {
    return CryptDecodeObjectEx(X509_ASN_ENCODING, structType, data, size, 0, nullptr, out, length);
  });
}

}  // namespace

Bytes HashValue(HCRYPTHASH hash) {
  return Fetch([&](BYTE* out, DWORD* n) { return CryptGetHashParam(hash, HP_HASHVAL, out, n, 0); });
}

Bytes ExportPublicKeyBlob(HCRYPTKEY key) {
  return Fetch(
      [&](BYTE* out, DWORD* n) { return CryptExportKey(key, 0, PUBLICKEYBLOB, 0, out, n); });
}

Bytes SignHash(HCRYPTHASH hash, DWORD keySpec) {
  return Fetch(
      [&](BYTE* out, DWORD* n) { return CryptSignHashA(hash, keySpec, nullptr, 0, out, n); });
}

bool MicrosoftProviderVerifies(const Bytes& publicKeyBlob, ALG_ID hashAlgorithm, const Bytes& data,
                               const Bytes& signature) {
  CryptContext microsoft;
  CryptKey key;
  CryptHash hash;
  return CryptAcquireContextW(microsoft.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT) &&
         CryptImportKey(microsoft.get(), publicKeyBlob.data(),
                        static_cast<DWORD>(publicKeyBlob.size()), 0, 0, key.out()) &&
         CryptCreateHash(microsoft.get(), hashAlgorithm, 0, 0, hash.out()) &&
         (hashAlgorithm == CALG_SSL3_SHAMD5
              ? CryptSetHashParam(hash.get(), HP_HASHVAL, data.data(), 0)
              : CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0)) &&
         CryptVerifySignatureW(hash.get(), signature.data(), static_cast<DWORD>(signature.size()),
                               key.get(), nullptr, 0);
}

Bytes EncodeName(std::wstring_view x500) {
  const std::wstring text(x500);
  return Fetch([&](BYTE* out, DWORD* n) {
    return CertStrToNameW(X509_ASN_ENCODING, text.c_str(), CERT_X500_NAME_STR, nullptr, out, n,
                          nullptr);
  });
}

std::wstring NameText(const Bytes& name) {
  CERT_NAME_BLOB blob{static_cast<DWORD>(name.size()), const_cast<BYTE*>(name.data())};
  wchar_t text[512] = {};
  CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text, 512);
  return text;
}

Bytes PublicKeyInfo(HCRYPTPROV prov) {
  return Fetch([&](BYTE* out, DWORD* n) {
    return CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING,
                                    reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(out), n);
  });
}

std::string ToBase64(const Bytes& bytes) {
  const Bytes text = Fetch([&](BYTE* out, DWORD* n) {
    return CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()),
                                CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF,
                                reinterpret_cast<char*>(out), n);
  });
  std::string clean(text.begin(), text.end());
  std::erase_if(clean, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  return clean;
}

Bytes FromBase64(std::string_view text) {
  return Fetch([&](BYTE* out, DWORD* n) {
    return CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                                out, n, nullptr, nullptr);
  });
}

CertificateRequest::CertificateRequest(Bytes encoded) : der(std::move(encoded)) {
  const Bytes content = Decode(X509_CERT, der.data(), static_cast<DWORD>(der.size()));
  if (content.empty()) {
    return;
  }
  const CRYPT_DER_BLOB& toBeSigned =
      reinterpret_cast<const CERT_SIGNED_CONTENT_INFO*>(content.data())->ToBeSigned;
  const Bytes sequence = Decode(X509_SEQUENCE_OF_ANY, toBeSigned.pbData, toBeSigned.cbData);
  if (sequence.empty()) {
    return;
  }
  const auto* items = reinterpret_cast<const CRYPT_SEQUENCE_OF_ANY*>(sequence.data());
  if (items->cValue != 3) {  // version, subject and public key: no attributes element
    return;
  }
  subjectName.assign(items->rgValue[1].pbData, items->rgValue[1].pbData + items->rgValue[1].cbData);
  publicKeyInfo = Decode(X509_PUBLIC_KEY_INFO, items->rgValue[2].pbData, items->rgValue[2].cbData);
  read = !publicKeyInfo.empty();
}

bool CertificateRequest::SignatureVerifies() const {
  return read && CryptVerifyCertificateSignature(0, X509_ASN_ENCODING, der.data(),
                                                 static_cast<DWORD>(der.size()),
                                                 const_cast<CERT_PUBLIC_KEY_INFO*>(&publicKey()));
}

Crypt32Ca::Crypt32Ca()
    : container_(L"kqtest-ca-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64())) {
  CryptKey key;
  if (CryptAcquireContextW(prov_.out(), container_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                           CRYPT_NEWKEYSET) &&
      CryptGenKey(prov_.get(), AT_SIGNATURE, 2048u << 16, key.out())) {
    name_ = EncodeName(L"CN=Crypt32 Test CA, O=TestAuthority");
  }
}

Crypt32Ca::~Crypt32Ca() {
  prov_.Reset();
  HCRYPTPROV deleted = 0;
  CryptAcquireContextW(&deleted, container_.c_str(), MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                       CRYPT_DELETEKEYSET);
}

Bytes Crypt32Ca::Issue(const Bytes& subjectName, const Bytes& publicKeyInfo) {
  if (!ready() || subjectName.empty() || publicKeyInfo.empty()) {
    return {};
  }
  BYTE serial[4] = {serial_++, 0x11, 0x22, 0x33};  // little-endian, positive
  char signatureOid[] = szOID_RSA_SHA256RSA;
  CERT_INFO info{};
  info.dwVersion = CERT_V3;
  info.SerialNumber = {sizeof serial, serial};
  info.SignatureAlgorithm.pszObjId = signatureOid;
  info.Issuer = {static_cast<DWORD>(name_.size()), name_.data()};
  SYSTEMTIME now{};
  GetSystemTime(&now);
  now.wDay = 1;  // valid in every month of last and next year
  now.wYear = static_cast<WORD>(now.wYear - 1);
  SystemTimeToFileTime(&now, &info.NotBefore);
  now.wYear = static_cast<WORD>(now.wYear + 2);
  SystemTimeToFileTime(&now, &info.NotAfter);
  info.Subject = {static_cast<DWORD>(subjectName.size()), const_cast<BYTE*>(subjectName.data())};
  info.SubjectPublicKeyInfo = *reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKeyInfo.data());
  return Fetch([&](BYTE* out, DWORD* n) {
    return CryptSignAndEncodeCertificate(prov_.get(), AT_SIGNATURE, X509_ASN_ENCODING,
                                         X509_CERT_TO_BE_SIGNED, &info, &info.SignatureAlgorithm,
                                         nullptr, out, n);
  });
}

Bytes SignMessage(PCCERT_CONTEXT signer, const std::string& text) {
  char sha256[] = szOID_NIST_sha256;
  CRYPT_SIGN_MESSAGE_PARA sign{};
  sign.cbSize = sizeof sign;
  sign.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  sign.pSigningCert = signer;
  sign.HashAlgorithm.pszObjId = sha256;
  sign.cMsgCert = 1;
  sign.rgpMsgCert = &signer;
  const BYTE* content[] = {reinterpret_cast<const BYTE*>(text.data())};
  DWORD contentSize[] = {static_cast<DWORD>(text.size())};
  return Fetch([&](BYTE* out, DWORD* n) {
    return CryptSignMessage(&sign, FALSE, 1, content, contentSize, out, n);
  });
}

std::optional<std::string> VerifiedContent(const Bytes& message) {
  CRYPT_VERIFY_MESSAGE_PARA verify{};
  verify.cbSize = sizeof verify;
  verify.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  std::string content(message.size(), '\0');
  auto size = static_cast<DWORD>(content.size());
  if (!CryptVerifyMessageSignature(&verify, 0, message.data(), static_cast<DWORD>(message.size()),
                                   reinterpret_cast<BYTE*>(content.data()), &size, nullptr)) {
    return std::nullopt;
  }
  content.resize(size);
  return content;
}

}  // namespace kq::wintest
