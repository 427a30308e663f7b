// Key pairs generated on soft keys through the exported entry points, their public keys exported
// for the openssl command, signatures made by the key for every hash and checked by openssl,
// transaction messages signed behind the key's button, certificates from an openssl test CA,
// and the full key whose pair the user chooses to overwrite.
#include <openssl/evp.h>

#include <string>

#include "provider_scene.h"
#include "support/test_ca.h"
#include "support/transaction_message.h"

namespace kq::test {
namespace {

using KeysAndSignatures = ProviderScene;

constexpr uint32_t kCalgMd5 = 0x8003;
constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kCalgSsl3ShaMd5 = 0x8008;
constexpr uint32_t kCalgSha256 = 0x800C;
constexpr uint32_t kCalgSha384 = 0x800D;
constexpr uint32_t kCalgSha512 = 0x800E;
constexpr uint32_t kKpCertificate = 26;

Bytes ExportPublicKey(KqHandle prov, KqHandle key) {
  uint32_t length = 0;
  EXPECT_TRUE(Provider().CPExportKey(prov, key, 0, 6, 0, nullptr, &length));
  Bytes blob(length);
  EXPECT_TRUE(Provider().CPExportKey(prov, key, 0, 6, 0, blob.data(), &length));
  EXPECT_EQ(Provider().GetLastError(), 0u);
  return blob;
}

KqHandle HashOf(KqHandle prov, uint32_t algId, const std::string& text) {
  KqHandle hash = 0;
  EXPECT_TRUE(Provider().CPCreateHash(prov, algId, 0, 0, &hash));
  EXPECT_TRUE(Provider().CPHashData(prov, hash, reinterpret_cast<const uint8_t*>(text.data()),
                                    static_cast<uint32_t>(text.size()), 0));
  return hash;
}

Bytes Digest(KqHandle prov, KqHandle hash) {
  uint32_t length = 64;
  Bytes value(length);
  EXPECT_TRUE(Provider().CPGetHashParam(prov, hash, 2, value.data(), &length, 0));
  value.resize(length);
  return value;
}

Bytes Sign(KqHandle prov, KqHandle hash, uint32_t keySpec, uint32_t expectedError = 0) {
  uint32_t length = 0;
  EXPECT_TRUE(Provider().CPSignHash(prov, hash, keySpec, nullptr, 0, nullptr, &length));
  Bytes signature(length);
  const KqBool ok =
      Provider().CPSignHash(prov, hash, keySpec, nullptr, 0, signature.data(), &length);
  EXPECT_EQ(ok != 0, expectedError == 0);
  EXPECT_EQ(Provider().GetLastError(), expectedError);
  signature.resize(ok ? length : 0);
  return signature;
}

TEST_F(KeysAndSignatures, BothPairsAreGeneratedExportedAndSignForEveryHash) {
  const std::string key = AddKey();
  const KqHandle prov = Acquire("signer", kNewKeyset);
  KqHandle signature = 0;
  KqHandle exchange = 0;
  ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 2048u << 16, &signature)) << std::hex << Error();
  ExpectAllClosed("CPGenKey");
  ASSERT_TRUE(P().CPGenKey(prov, kAtKeyExchange, 0, &exchange)) << std::hex << Error();
  KqHandle again = 0;
  EXPECT_FALSE(P().CPGenKey(prov, kAtSignature, 0, &again));
  EXPECT_EQ(Error(), 0x80090020u);
  EXPECT_FALSE(P().CPGenKey(prov, kAtSignature, 4096u << 16, &again));
  EXPECT_EQ(Error(), 0x80090020u);

  const Bytes signatureBlob = ExportPublicKey(prov, signature);
  EXPECT_EQ(signatureBlob.size(), 276u);
  EXPECT_EQ(signatureBlob[5], 0xA4);  // CALG_RSA_KEYX for every key
  EXPECT_EQ(ExportPublicKey(prov, exchange).size(), 148u);
  const std::string signaturePem = BlobToPem(scratch_, signatureBlob, "signature");
  const std::string exchangePem = BlobToPem(scratch_, ExportPublicKey(prov, exchange), "exchange");

  struct Case {
    uint32_t algId;
    const char* name;
  };
  for (const Case& c :
       {Case{kCalgSha1, "sha1"}, Case{kCalgSha256, "sha256"}, Case{kCalgSha384, "sha384"},
        Case{kCalgSha512, "sha512"}, Case{kCalgMd5, "md5"}}) {
    const KqHandle hash = HashOf(prov, c.algId, std::string("document for ") + c.name);
    const Bytes signed2048 = Sign(prov, hash, kAtSignature);
    ExpectAllClosed("CPSignHash");
    EXPECT_EQ(signed2048.size(), 256u);
    EXPECT_TRUE(OpensslVerifies(scratch_, signaturePem, signed2048, Digest(prov, hash), c.name))
        << c.name;
    EXPECT_TRUE(P().CPVerifySignature(prov, hash, signed2048.data(), 256, signature, nullptr, 0));
    EXPECT_EQ(Error(), 0u);
    const Bytes signed1024 = Sign(prov, hash, kAtKeyExchange);
    EXPECT_EQ(signed1024.size(), 128u);
    EXPECT_TRUE(OpensslVerifies(scratch_, exchangePem, signed1024, Digest(prov, hash), c.name));
    EXPECT_TRUE(P().CPDestroyHash(prov, hash));
  }

  // The SSL3 pair is signed bare over the 36 bytes the caller sets.
  KqHandle pair = 0;
  ASSERT_TRUE(P().CPCreateHash(prov, kCalgSsl3ShaMd5, 0, 0, &pair));
  Bytes value(36);
  for (size_t i = 0; i < value.size(); ++i) {
    value[i] = static_cast<uint8_t>(3 * i + 1);
  }
  ASSERT_TRUE(P().CPSetHashParam(prov, pair, 2, value.data(), 0));
  EXPECT_TRUE(OpensslVerifies(scratch_, signaturePem, Sign(prov, pair, kAtSignature), value, ""));

  // Misuse of signing.
  const KqHandle hash = HashOf(prov, kCalgSha1, "misuse");
  uint32_t length = 10;
  Bytes small(10);
  EXPECT_FALSE(P().CPSignHash(prov, hash, kAtSignature, nullptr, 0, small.data(), &length));
  EXPECT_EQ(Error(), 234u);
  EXPECT_EQ(length, 256u);
  EXPECT_FALSE(P().CPSignHash(prov, hash, 3, nullptr, 0, nullptr, &length));
  EXPECT_EQ(Error(), 0x80090008u);
  EXPECT_FALSE(P().CPSignHash(prov, 0, kAtSignature, nullptr, 0, nullptr, &length));
  EXPECT_EQ(Error(), 6u);
  EXPECT_FALSE(P().CPSignHash(prov, hash, kAtSignature, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(Error(), 87u);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  ExpectAllClosed("CPReleaseContext");
}

TEST_F(KeysAndSignatures, UserKeysOpenTheContainersPairsAgain) {
  const std::string key = AddKey();
  KqHandle prov = Acquire("reopen", kNewKeyset);
  KqHandle generated = 0;
  ASSERT_TRUE(P().CPGenKey(prov, 0x2400, 0, &generated)) << std::hex << Error();
  const Bytes blob = ExportPublicKey(prov, generated);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));

  prov = Acquire("reopen", 0);
  KqHandle user = 0;
  ASSERT_TRUE(P().CPGetUserKey(prov, kAtSignature, &user));
  ExpectAllClosed("CPGetUserKey");
  EXPECT_EQ(ExportPublicKey(prov, user), blob);
  EXPECT_TRUE(P().CPDestroyKey(prov, user));  // a pair on the key stays usable
  EXPECT_EQ(ExportPublicKey(prov, user), blob);
  KqHandle none = 0;
  EXPECT_FALSE(P().CPGetUserKey(prov, kAtKeyExchange, &none));
  EXPECT_EQ(Error(), 0x8009000Du);
  EXPECT_FALSE(P().CPGetUserKey(prov, 3, &none));
  EXPECT_EQ(Error(), 0x8009000Au);

  // The first plain signature of a context opened without CRYPT_NEWKEYSET asks for the PIN.
  scene_.Replug(key);
  const KqHandle hash = HashOf(prov, kCalgSha256, "after replug");
  const Bytes signature = Sign(prov, hash, kAtSignature);
  EXPECT_TRUE(OpensslVerifies(scratch_, BlobToPem(scratch_, blob, "k"), signature,
                              Digest(prov, hash), "sha256"));

  // An imported copy of the public key verifies, and cannot be exported again.
  KqHandle imported = 0;
  ASSERT_TRUE(
      P().CPImportKey(prov, blob.data(), static_cast<uint32_t>(blob.size()), 0, 0, &imported));
  EXPECT_TRUE(P().CPVerifySignature(prov, hash, signature.data(), 128, imported, nullptr, 0));
  uint32_t length = 0;
  EXPECT_FALSE(P().CPExportKey(prov, imported, 0, 6, 0, nullptr, &length));
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_TRUE(P().CPDestroyKey(prov, imported));
  EXPECT_FALSE(P().CPDestroyKey(prov, imported));
  EXPECT_EQ(Error(), 0x80090003u);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

TEST_F(KeysAndSignatures, TransactionMessagesAreSignedByTheKeyBehindItsButton) {
  const std::string key = AddKey({.button = "ok:2,cancel:1,timeout:2"});
  const KqHandle prov = Acquire("bank", kNewKeyset);
  KqHandle pairKey = 0;
  scene_.SetButton(key, "none");
  ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 0, &pairKey)) << std::hex << Error();
  const std::string pem = BlobToPem(scratch_, ExportPublicKey(prov, pairKey), "bank");
  scene_.SetButton(key, "ok:2,cancel:1,timeout:2");

  const Bytes bytes = TransactionMessage("0001", "pay 100.00 to 6222 0000 1111 2222", "ok");
  const std::string message(bytes.begin(), bytes.end());
  KqHandle hash = HashOf(prov, kCalgSha1, message);
  const Bytes signature = Sign(prov, hash, kAtSignature);
  ExpectAllClosed("a transaction signature");
  EXPECT_TRUE(OpensslVerifies(scratch_, pem, signature, Digest(prov, hash), "sha1"));
  EXPECT_NE(UiLog().find("WAIT 1 "), std::string::npos);
  EXPECT_GE(scene_.Calls(key, "ZANT_RSAPrivateSignEx"), 1);

  hash = HashOf(prov, kCalgSha1, message);
  Sign(prov, hash, kAtSignature, 0x8010006E);  // "C" pressed
  hash = HashOf(prov, kCalgSha1, message);
  Sign(prov, hash, kAtSignature, 0x8010006E);  // timed out
  // The key's refusals of the message, each with its own code.
  const std::pair<const char*, uint32_t> refusals[] = {{"0x6B02", 0x80100004},
                                                       {"0x6B03", 0x80090326},
                                                       {"0x6B04", 0x80090005},
                                                       {"0x6B05", 0x80090004},
                                                       {"0x6B06", 0x80090020}};
  for (const auto& [status, code] : refusals) {
    scene_.SetProcessFaults(std::string("RSAPrivateSignEx:1:") + status);
    hash = HashOf(prov, kCalgSha1, message);
    Sign(prov, hash, kAtSignature, code);
  }
  scene_.SetProcessFaults("");
  ExpectAllClosed("a refused transaction");

  // The same bytes under MD5, or one byte longer, are signed as a plain digest.
  const int64_t before = scene_.Calls(key, "ZANT_RSAPrivateSignEx");
  hash = HashOf(prov, kCalgMd5, message);
  EXPECT_TRUE(
      OpensslVerifies(scratch_, pem, Sign(prov, hash, kAtSignature), Digest(prov, hash), "md5"));
  hash = HashOf(prov, kCalgSha256, message + "x");
  EXPECT_TRUE(
      OpensslVerifies(scratch_, pem, Sign(prov, hash, kAtSignature), Digest(prov, hash), "sha256"));
  EXPECT_EQ(scene_.Calls(key, "ZANT_RSAPrivateSignEx"), before);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

TEST_F(KeysAndSignatures, CertificatesFromATestCaAreStoredAndReadBack) {
  const std::string key = AddKey();
  const KqHandle prov = Acquire("certified", kNewKeyset);
  KqHandle pairKey = 0;
  ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 0, &pairKey)) << std::hex << Error();
  const std::string pem = BlobToPem(scratch_, ExportPublicKey(prov, pairKey), "subject");

  TestCa ca;
  const Bytes der = ca.IssueForKey(pem, "/CN=Holder/O=Bank");

  EXPECT_TRUE(P().CPSetKeyParam(prov, pairKey, kKpCertificate, der.data(), 0))
      << std::hex << Error();
  EXPECT_EQ(Error(), 0u);
  ExpectAllClosed("KP_CERTIFICATE");
  uint32_t length = 0;
  ASSERT_TRUE(P().CPGetKeyParam(prov, pairKey, kKpCertificate, nullptr, &length, 0));
  EXPECT_EQ(length, der.size());
  Bytes readBack(length);
  ASSERT_TRUE(P().CPGetKeyParam(prov, pairKey, kKpCertificate, readBack.data(), &length, 0));
  EXPECT_EQ(readBack, der);

  // The CA's own, self-signed certificate is refused.
  const Bytes selfSigned = ca.Certificate();
  EXPECT_FALSE(P().CPSetKeyParam(prov, pairKey, kKpCertificate, selfSigned.data(), 0));
  EXPECT_EQ(Error(), 0x80090020u);
  EXPECT_FALSE(P().CPSetKeyParam(prov, pairKey, kKpCertificate, nullptr, 0));
  EXPECT_EQ(Error(), 0x80090005u);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

// Slot 1 holds the pair of a container, the others pairs of none.
TEST_F(KeysAndSignatures, AFullKeyAsksWhichPairToOverwrite) {
  SceneKey full;
  for (uint32_t slot = 2; slot <= 5; ++slot) {
    full.keyPairs.push_back({slot, 0, slot % 2 == 0 ? "rsa1024-a" : "rsa2048-a"});
  }
  const std::string key = AddKey(full);
  const KqHandle owner = Acquire("owner", kNewKeyset);
  KqHandle pairKey = 0;
  ASSERT_TRUE(P().CPGenKey(owner, kAtSignature, 1024u << 16, &pairKey)) << std::hex << Error();
  const KqHandle prov = Acquire("newcomer", kNewKeyset);
  Choose("cancel,3,1");
  EXPECT_FALSE(P().CPGenKey(prov, kAtSignature, 0, &pairKey));
  EXPECT_EQ(Error(), 0x8010006Eu);
  ExpectAllClosed("a cancelled overwrite");
  EXPECT_NE(UiLog().find("CHOOSE key"), std::string::npos);
  ASSERT_TRUE(scene_.KeySlot(key, 3).has_value());

  ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 0, &pairKey)) << std::hex << Error();
  ExpectAllClosed("an overwrite");
  EXPECT_EQ(ExportPublicKey(prov, pairKey).size(), 148u);
  // Overwriting the owner's pair takes it out of the owner's container.
  ASSERT_TRUE(P().CPGenKey(prov, kAtKeyExchange, 1024u << 16, &pairKey)) << std::hex << Error();
  const KqHandle reopened = Acquire("owner", 0);
  EXPECT_FALSE(P().CPGetUserKey(reopened, kAtSignature, &pairKey));
  EXPECT_EQ(Error(), 0x8009000Du);
  for (const KqHandle context : {owner, reopened, prov}) {
    EXPECT_TRUE(P().CPReleaseContext(context, 0));
  }
}

}  // namespace
}  // namespace kq::test
