// kqpkcs11.dll as a Windows program loads it: the slot and its objects listed, the user logged
// in, a key pair generated on the key (its confirmation dialog closes by itself as the soft key
// presses OK) and a signature that Wine's Microsoft provider verifies.
#include <windows.h>
// clang-format off
#include <wincrypt.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/module_session.h"
#include "support/softkey_scene.h"
#include "win/support/win_crypt.h"

namespace kq::test {
namespace {

using Bytes = std::vector<uint8_t>;

// A PUBLICKEYBLOB of an RSA key given big-endian, as PKCS #11 gives it.
Bytes PublicKeyBlob(const Bytes& modulus, const Bytes& exponent) {
  Bytes blob(sizeof(BLOBHEADER) + sizeof(RSAPUBKEY));
  auto* header = reinterpret_cast<BLOBHEADER*>(blob.data());
  header->bType = PUBLICKEYBLOB;
  header->bVersion = CUR_BLOB_VERSION;
  header->aiKeyAlg = CALG_RSA_SIGN;
  auto* rsa = reinterpret_cast<RSAPUBKEY*>(blob.data() + sizeof(BLOBHEADER));
  rsa->magic = 0x31415352;  // "RSA1"
  rsa->bitlen = static_cast<DWORD>(modulus.size() * 8);
  for (const uint8_t byte : exponent) {
    rsa->pubexp = (rsa->pubexp << 8) | byte;
  }
  blob.insert(blob.end(), modulus.rbegin(), modulus.rend());
  return blob;
}

TEST(Pkcs11Module, ListsLogsInGeneratesAndSignsForTheMicrosoftProvider) {
  SoftKeyScene scene;
  scene.AddKey({.label = "wine module"});
  scene.SetPinAnswers("12345678");
  ModuleSession m;  // bin\kqpkcs11.dll, where the build puts it
  ASSERT_EQ(m.Open(CKF_RW_SESSION), CKR_OK) << m.problem_;
  CK_FUNCTION_LIST_PTR p11 = m.p11_;
  const CK_SESSION_HANDLE session = m.session_;
  CK_ULONG count = 0;
  ASSERT_EQ(p11->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_OK);
  ASSERT_EQ(count, 1u);
  CK_TOKEN_INFO token{};
  ASSERT_EQ(p11->C_GetTokenInfo(m.slot_, &token), CKR_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(token.label), 11), "wine module");
  ASSERT_EQ(m.LoginUser(nullptr), CKR_OK);  // through the PIN entry

  CK_MECHANISM generation = {CKM_RSA_PKCS_KEY_PAIR_GEN, nullptr, 0};
  CK_ULONG bits = 1024;
  CK_ATTRIBUTE size = {CKA_MODULUS_BITS, &bits, sizeof bits};
  CK_OBJECT_HANDLE publicKey = 0;
  CK_OBJECT_HANDLE privateKey = 0;
  ASSERT_EQ(
      p11->C_GenerateKeyPair(session, &generation, &size, 1, nullptr, 0, &publicKey, &privateKey),
      CKR_OK);
  // The objects as a client lists them: both keys of the new pair.
  const std::vector<CK_OBJECT_HANDLE> found = m.Find({});
  EXPECT_EQ(found.size(), 2u);
  EXPECT_NE(std::find(found.begin(), found.end(), privateKey), found.end());

  Bytes modulus(128);
  Bytes exponent(8);
  CK_ATTRIBUTE key[] = {
      {CKA_MODULUS, modulus.data(), static_cast<CK_ULONG>(modulus.size())},
      {CKA_PUBLIC_EXPONENT, exponent.data(), static_cast<CK_ULONG>(exponent.size())}};
  ASSERT_EQ(p11->C_GetAttributeValue(session, publicKey, key, 2), CKR_OK);
  modulus.resize(key[0].ulValueLen);
  exponent.resize(key[1].ulValueLen);

  const std::string text = "signed through PKCS #11 under Wine";
  Bytes data(text.begin(), text.end());
  CK_MECHANISM sha256 = {CKM_SHA256_RSA_PKCS, nullptr, 0};
  Bytes signature(128);
  CK_ULONG length = static_cast<CK_ULONG>(signature.size());
  ASSERT_EQ(p11->C_SignInit(session, &sha256, privateKey), CKR_OK);
  ASSERT_EQ(p11->C_Sign(session, data.data(), static_cast<CK_ULONG>(data.size()), signature.data(),
                        &length),
            CKR_OK);
  std::reverse(signature.begin(), signature.end());  // CryptoAPI's byte order
  EXPECT_TRUE(wintest::MicrosoftProviderVerifies(PublicKeyBlob(modulus, exponent), CALG_SHA_256,
                                                 data, signature))
      << GetLastError();
  EXPECT_EQ(p11->C_DestroyObject(session, privateKey), CKR_OK);
  EXPECT_EQ(m.Close(), CKR_OK);
}

}  // namespace
}  // namespace kq::test
