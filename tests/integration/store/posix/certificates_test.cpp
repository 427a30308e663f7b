// Certificates on a soft key: both writers, the certificate directory, reading back and the
// joined key listing, with certificates issued by an `openssl` test CA.
#include <gtest/gtest.h>

#include <tuple>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/certificate_directory.h"
#include "store/certificate_directory_entry.h"
#include "store/certificate_reading.h"
#include "store/certificate_writing.h"
#include "store/containers.h"
#include "store/key_listing.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "store_fixture.h"
#include "support/test_ca.h"

namespace kq::store {
namespace {

class CertificateStore : public StoreTest {
 protected:
  test::SceneKey KeySpec() const override {
    return {.keyPairs = {{1, 1, "rsa2048-a"}, {2, 2, "rsa1024-a"}, {4, 0, "sm2-a"}}};
  }

  std::vector<DirectoryEntry> Directory() const {
    return ParseCertificateDirectory(KeyFile(kCertificateDirectoryFile))
        .value_or(std::vector<DirectoryEntry>{});
  }

  // Every file id and content on the key.
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> Snapshot() const {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> files;
    for (const auto& info : scene_.KeyFiles(key_)) {
      files.emplace_back(info.id, KeyFile(info.id));
    }
    return files;
  }

  // A certificate from the test CA for a soft-key fixture's key pair.
  std::vector<uint8_t> Issue(const std::string& fixture, const std::string& subject) {
    return ca_.IssueForKey(test::SoftKeyFixturePath(fixture).string(), subject);
  }

  test::TestCa ca_;
};

TEST_F(CertificateStore, TheProviderWriterRefusesCertificatesOfOtherKeys) {
  ContainerWithPair("sig", 1, kSignaturePair);
  const auto before = Snapshot();
  const std::vector<uint8_t> junk = {0x30, 0x03, 0x02, 0x01, 0x00};
  const std::string rsa = test::SoftKeyFixturePath("rsa2048-a").string();
  struct Case {
    const char* container;
    uint32_t keySpec;
    std::vector<uint8_t> certificate;
    uint32_t code;
  };
  const Case cases[] = {
      {"sig", kAtSignature, ca_.SelfSigned(rsa, "/CN=myself"), kDeviceFailed},
      {"sig", kAtSignature, Issue("rsa2048-b", "/CN=someone else"), kCertificateKeyMismatch},
      {"sig", kAtSignature, Issue("rsa1024-a", "/CN=short"), kDeviceFailed},
      {"sig", kAtKeyExchange, Issue("rsa2048-a", "/CN=x"), kDeviceFailed},  // no exchange pair
      {"", kAtSignature, junk, kBadArgument},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteCertificate(session_, c.container, c.keySpec, c.certificate), c.code)
        << c.container << " " << c.certificate.size();
  }
  EXPECT_EQ(Snapshot(), before);
}

// The provider's writer stores a certificate with its directory entry; the tool's writer replaces
// it; the listing joins keys, certificates and containers. (Reading back through the provider
// is tested there.)
TEST_F(CertificateStore, WritersStoreAndReplaceAndTheListingJoins) {
  const uint16_t signing = ContainerWithPair("sig", 1, kSignaturePair).container;
  ContainerWithPair("plain", 2, kExchangePair);
  const auto first = Issue("rsa2048-a", "/CN=first user/O=Bank");
  ASSERT_EQ(WriteCertificate(session_, "sig", kAtSignature, first), kOk);
  auto directory = Directory();
  ASSERT_EQ(directory.size(), 10u);  // created with 70 bytes
  EXPECT_EQ(directory[0].keyNumber, 1);
  const std::vector<uint8_t> entryFile = KeyFile(directory[0].fileId);
  ASSERT_EQ(entryFile.size(), directory[0].totalLength);
  const auto subjectEnd = entryFile.begin() + directory[0].subjectLength;
  EXPECT_EQ(std::string(entryFile.begin(), subjectEnd), "CN=first user, O=Bank");
  EXPECT_EQ(std::vector<uint8_t>(subjectEnd, entryFile.end()), first);

  const auto certificate = Issue("rsa2048-a", "/CN=tool user/O=Bank");
  ASSERT_EQ(StoreCertificate(session_, 1, certificate, "sig", signing, kAtSignature), kOk);
  std::vector<uint8_t> der;
  ASSERT_EQ(ReadContainerCertificate(session_, "sig", kAtSignature, der), kOk);
  EXPECT_EQ(der, certificate);
  EXPECT_EQ(ReadContainerCertificate(session_, "sig", kAtKeyExchange, der), kBadFileId);
  EXPECT_EQ(ListCertificateSlots(KeyFile(kObjectIndex.fileId)).size(), 1u);  // replaced
  directory = Directory();
  EXPECT_EQ(std::count_if(directory.begin(), directory.end(),
                          [](const DirectoryEntry& e) { return e.keyNumber == 1; }),
            1);
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListKeysWithCertificates(session_, keys), kOk);
  std::vector<std::tuple<int, int, std::string, std::string>> listed;
  for (const KeyListEntry& k : keys) {
    listed.emplace_back(k.keyNumber, k.usage, k.subject, k.containerName);
  }
  EXPECT_EQ(listed, (std::vector<std::tuple<int, int, std::string, std::string>>{
                        {1, kUsageSignature, "CN=tool user, O=Bank", "sig"},
                        {2, kUsageExchange, "no cert", "plain"},
                        {4, kUsageNone, "", ""}}));  // no container claims it
}

TEST_F(CertificateStore, DamagedDirectoriesAndCertificateObjectsAreReportedNotTrusted) {
  ChangeKeyFile(kCertificateDirectoryFile, std::vector<uint8_t>(69, 0xFF));
  const uint8_t subject[] = {'C', 'N', '=', 'x'};
  const uint8_t der[] = {0x30, 0x00};
  EXPECT_EQ(WriteCertificateDirectory(session_, 1, subject, der), kDirectoryWrongLength);
  EXPECT_EQ(WriteCertificateDirectory(session_, 0xFF, subject, der), kBadKeyNumber);

  // An entry naming the object index must not make it go away.
  std::vector<uint8_t> hostile(kCertificateDirectorySize, 0xFF);
  const auto entry = EncodeDirectoryEntry({400, 0xD001, 0, 3});
  std::copy(entry.begin(), entry.end(), hostile.begin());
  ChangeKeyFile(kCertificateDirectoryFile, hostile);
  RemoveCertificateDirectoryEntry(session_, 3);
  EXPECT_TRUE(scene_.ReadKeyFile(key_, kObjectIndex.fileId).has_value());
  EXPECT_EQ(Directory()[0], kRemovedDirectoryEntry);

  std::vector<uint8_t> value;
  EXPECT_EQ(ReadCertificate(session_, 0, value), kBadFileId);
  EXPECT_EQ(ReadCertificate(session_, 0x0D00, value), kDeviceFailed);
  const auto empty = ObjectFile(kClassCertificate, {{attr::kValue, {}}});
  for (const auto& [bytes, code] : std::vector<std::pair<std::vector<uint8_t>, uint32_t>>{
           {ObjectFile(kClassCertificate), kAttributeMissing},
           {empty, kWrongAttributeLength},
           {{empty.begin(), empty.end() - 1}, kObjectUnparsable}}) {
    ChangeKeyFile(0x0D01, bytes);
    EXPECT_EQ(ReadCertificate(session_, 0x0D01, value), code);
  }
}

}  // namespace
}  // namespace kq::store
