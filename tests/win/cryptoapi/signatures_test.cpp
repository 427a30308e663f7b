// Key pairs generated on the soft key through advapi32, their public keys exported and imported,
// signatures for every hash the provider offers, each checked by the provider and by Wine's own
// Microsoft software provider; a certificate from a crypt32 CA attached with KP_CERTIFICATE and
// used by crypt32's message signing, whose result crypt32 verifies.
#include <cstring>
#include <string>

#include "cryptoapi_scene.h"
#include "win/support/crypt32_ca.h"

namespace kq::wintest {
namespace {

using Signatures = CryptoApiScene;

CryptHash HashOf(HCRYPTPROV prov, ALG_ID algorithm, const std::string& text) {
  CryptHash hash;
  EXPECT_TRUE(CryptCreateHash(prov, algorithm, 0, 0, hash.out())) << std::hex << GetLastError();
  EXPECT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()), 0));
  return hash;
}

TEST_F(Signatures, EveryHashIsSignedOnTheKeyAndVerifiedByTheMicrosoftProvider) {
  scene_.AddKey();
  const CryptContext prov = Acquire(L"signer", CRYPT_NEWKEYSET);
  CryptKey generated;
  ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 2048u << 16, generated.out()))
      << std::hex << GetLastError();
  const Bytes blob = ExportPublicKeyBlob(generated.get());
  ASSERT_EQ(blob.size(), 276u);

  CryptKey user;
  ASSERT_TRUE(CryptGetUserKey(prov.get(), AT_SIGNATURE, user.out())) << std::hex << GetLastError();
  EXPECT_EQ(ExportPublicKeyBlob(user.get()), blob);
  CryptKey none;
  EXPECT_FALSE(CryptGetUserKey(prov.get(), AT_KEYEXCHANGE, none.out()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_NO_KEY));
  CryptKey imported;
  ASSERT_TRUE(CryptImportKey(prov.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0,
                             imported.out()))
      << std::hex << GetLastError();

  struct Case {
    ALG_ID algorithm;
    const char* name;
    DWORD size;
  };
  for (const Case& c :
       {Case{CALG_MD5, "MD5", 16}, Case{CALG_SHA1, "SHA-1", 20}, Case{CALG_SHA_256, "SHA-256", 32},
        Case{CALG_SHA_384, "SHA-384", 48}, Case{CALG_SHA_512, "SHA-512", 64},
        Case{CALG_SSL3_SHAMD5, "SSL3 SHAMD5", 36}}) {
    CryptHash hash;
    if (c.algorithm == CALG_SSL3_SHAMD5) {
      // The SSL3 pair has no data of its own: the caller sets its 36 bytes.
      ASSERT_TRUE(CryptCreateHash(prov.get(), c.algorithm, 0, 0, hash.out()));
      Bytes value(36);
      for (size_t i = 0; i < value.size(); ++i) {
        value[i] = static_cast<uint8_t>(7 * i + 3);
      }
      ASSERT_TRUE(CryptSetHashParam(hash.get(), HP_HASHVAL, value.data(), 0));
    } else {
      hash = HashOf(prov.get(), c.algorithm, std::string("document for ") + c.name);
    }
    const Bytes digest = HashValue(hash.get());
    EXPECT_EQ(digest.size(), c.size) << c.name;
    const Bytes signature = SignHash(hash.get(), AT_SIGNATURE);
    ASSERT_EQ(signature.size(), 256u) << c.name << ": 0x" << std::hex << GetLastError();
    EXPECT_TRUE(
        CryptVerifySignatureW(hash.get(), signature.data(), 256, imported.get(), nullptr, 0))
        << c.name << ": 0x" << std::hex << GetLastError();
    std::string why;
    EXPECT_TRUE(MicrosoftProviderVerifies(blob, c.algorithm, digest, signature, &why))
        << c.name << ": " << why;
    Bytes damaged = signature;
    damaged[100] ^= 0x01;
    EXPECT_FALSE(MicrosoftProviderVerifies(blob, c.algorithm, digest, damaged, nullptr)) << c.name;
  }
}

TEST_F(Signatures, Crypt32SignsAMessageThroughTheProviderWithACertifiedKey) {
  scene_.AddKey();
  Crypt32Ca ca;
  ASSERT_EQ(ca.problem(), "");
  Bytes certificate;
  {
    const CryptContext prov = Acquire(L"holder", CRYPT_NEWKEYSET);
    CryptKey key;
    ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 2048u << 16, key.out()))
        << std::hex << GetLastError();
    certificate =
        ca.IssueForBlob(L"CN=Message Signer, O=Demo Bank", ExportPublicKeyBlob(key.get()));
    ASSERT_FALSE(certificate.empty()) << std::hex << GetLastError();
    EXPECT_TRUE(CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate.data(), 0))
        << std::hex << GetLastError();
    DWORD length = 0;
    ASSERT_TRUE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &length, 0));
    Bytes readBack(length);
    ASSERT_TRUE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, readBack.data(), &length, 0));
    EXPECT_EQ(readBack, certificate);
  }

  const CertificateContext signer(CertCreateCertificateContext(
      X509_ASN_ENCODING, certificate.data(), static_cast<DWORD>(certificate.size())));
  ASSERT_NE(signer.get(), nullptr);
  wchar_t container[] = L"holder";
  wchar_t provider[] = L"KQCSP For ORV v2.0";
  CRYPT_KEY_PROV_INFO where{container, provider, PROV_RSA_FULL, 0, 0, nullptr, AT_SIGNATURE};
  ASSERT_TRUE(
      CertSetCertificateContextProperty(signer.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &where));

  char sha256[] = szOID_NIST_sha256;
  PCCERT_CONTEXT included[] = {signer.get()};
  CRYPT_SIGN_MESSAGE_PARA sign{};
  sign.cbSize = sizeof sign;
  sign.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  sign.pSigningCert = signer.get();
  sign.HashAlgorithm.pszObjId = sha256;
  sign.cMsgCert = 1;
  sign.rgpMsgCert = included;
  const std::string text = "pay 100.00 CNY to 6222 0000 1111 2222";
  const BYTE* content[] = {reinterpret_cast<const BYTE*>(text.data())};
  DWORD contentSize[] = {static_cast<DWORD>(text.size())};
  DWORD length = 0;
  ASSERT_TRUE(CryptSignMessage(&sign, FALSE, 1, content, contentSize, nullptr, &length))
      << std::hex << GetLastError();
  Bytes message(length);
  ASSERT_TRUE(CryptSignMessage(&sign, FALSE, 1, content, contentSize, message.data(), &length))
      << std::hex << GetLastError();
  message.resize(length);

  CRYPT_VERIFY_MESSAGE_PARA verify{};
  verify.cbSize = sizeof verify;
  verify.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  Bytes decoded(text.size() + 16);
  DWORD decodedSize = static_cast<DWORD>(decoded.size());
  PCCERT_CONTEXT found = nullptr;
  ASSERT_TRUE(CryptVerifyMessageSignature(&verify, 0, message.data(),
                                          static_cast<DWORD>(message.size()), decoded.data(),
                                          &decodedSize, &found))
      << std::hex << GetLastError();
  const CertificateContext foundSigner(found);
  EXPECT_EQ(std::string(decoded.begin(), decoded.begin() + decodedSize), text);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, found->pCertInfo, signer.get()->pCertInfo));

  // The signature value ends the message: one flipped bit there and crypt32 refuses it.
  message[message.size() - 1] ^= 0x01;
  decodedSize = static_cast<DWORD>(decoded.size());
  EXPECT_FALSE(CryptVerifyMessageSignature(&verify, 0, message.data(),
                                           static_cast<DWORD>(message.size()), decoded.data(),
                                           &decodedSize, nullptr));
}

}  // namespace
}  // namespace kq::wintest
