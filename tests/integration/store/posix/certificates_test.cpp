// Certificates on a soft key: both writers, the certificate directory, reading back and the
// joined key listing, with certificates issued by an `openssl` test CA.
#include <gtest/gtest.h>

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
    test::SceneKey spec;
    spec.keyPairs = {{1, 1, "rsa2048-a"}, {2, 2, "rsa1024-a"}, {4, 0, "sm2-a"}};
    return spec;
  }

  // A container whose signature (or exchange) pair is the device key in `slot`.
  uint16_t ContainerWithPair(const std::string& name, uint8_t slot, uint32_t keySpec) {
    EXPECT_EQ(CreateContainer(session_, name), kOk);
    DevicePublicKey key;
    EXPECT_EQ(ReadDevicePublicKey(session_, slot, key), kOk);
    uint16_t publicId = 0;
    uint16_t privateId = 0;
    if (key.bits == 256) {
      std::vector<uint8_t> point = key.first;
      point.insert(point.end(), key.second.begin(), key.second.end());
      AttributeTemplate publicKey;
      AttributeTemplate privateKey;
      EXPECT_EQ(BuildSm2KeyObjects({name, slot, point, {}}, publicKey, privateKey), kOk);
      EXPECT_EQ(WriteNewObject(session_, IndexKind::kObjects, kClassPublicKey, publicKey, publicId),
                kOk);
      EXPECT_EQ(WriteNewObject(session_, IndexKind::kPrivateObjects, kClassPrivateKey, privateKey,
                               privateId),
                kOk);
    } else {
      EXPECT_EQ(
          WriteKeyObjects(session_, {name, slot, key.first, key.second, {}}, publicId, privateId),
          kOk);
    }
    ContainerInfo info;
    EXPECT_EQ(FindContainer(session_, name, info), kOk);
    const KeyPairRefs& pair = PairOfKeySpec(keySpec);
    ContainerRefs refs{};
    refs[pair.publicKey] = publicId;
    refs[pair.privateKey] = privateId;
    EXPECT_EQ(SetContainerRefs(session_, info.fileId, refs,
                               RefMask(pair.publicKey) | RefMask(pair.privateKey)),
              kOk);
    return info.fileId;
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

TEST_F(CertificateStore, TheProviderWriterStoresReplacesAndListsAnRsaCertificate) {
  ContainerWithPair("sig", 1, kAtSignature);
  ASSERT_FALSE(scene_.ReadKeyFile(key_, kCertificateDirectoryFile).has_value());
  const auto first = Issue("rsa2048-a", "/CN=first user/O=Bank");
  ASSERT_EQ(WriteCertificate(session_, "sig", kAtSignature, first), kOk);

  std::vector<uint8_t> der;
  ASSERT_EQ(ReadContainerCertificate(session_, "sig", kAtSignature, der), kOk);
  EXPECT_EQ(der, first);
  EXPECT_EQ(ReadContainerCertificate(session_, "sig", kAtKeyExchange, der), kBadFileId);
  auto directory = Directory();
  ASSERT_EQ(directory.size(), 10u);  // created with 70 bytes
  EXPECT_EQ(directory[0].keyNumber, 1);
  const std::vector<uint8_t> entryFile = KeyFile(directory[0].fileId);
  ASSERT_EQ(entryFile.size(), directory[0].totalLength);
  const std::string subject(entryFile.begin(), entryFile.begin() + directory[0].subjectLength);
  EXPECT_EQ(subject, "CN=first user, O=Bank");
  EXPECT_EQ(std::vector<uint8_t>(entryFile.begin() + directory[0].subjectLength, entryFile.end()),
            first);

  const auto second = Issue("rsa2048-a", "/CN=second user/O=Bank");
  ASSERT_EQ(WriteCertificate(session_, "sig", kAtSignature, second), kOk);
  ASSERT_EQ(ReadContainerCertificate(session_, "sig", kAtSignature, der), kOk);
  EXPECT_EQ(der, second);
  EXPECT_EQ(ListCertificateSlots(KeyFile(kObjectIndex.fileId)).size(), 1u);
  // One entry for the key number, naming a file with the new certificate.
  directory = Directory();
  EXPECT_EQ(std::count_if(directory.begin(), directory.end(),
                          [](const DirectoryEntry& e) { return e.keyNumber == 1; }),
            1);
  const std::vector<uint8_t> newEntryFile = KeyFile(directory[0].fileId);
  EXPECT_EQ(
      std::vector<uint8_t>(newEntryFile.begin() + directory[0].subjectLength, newEntryFile.end()),
      second);
  CheckOneHandleOpen();
}

TEST_F(CertificateStore, TheProviderWriterRefusesForeignAndSelfSignedCertificates) {
  ContainerWithPair("sig", 1, kAtSignature);
  const auto before = Snapshot();
  EXPECT_EQ(WriteCertificate(
                session_, "sig", kAtSignature,
                ca_.SelfSigned(test::SoftKeyFixturePath("rsa2048-a").string(), "/CN=myself")),
            kDeviceFailed);
  EXPECT_EQ(WriteCertificate(session_, "sig", kAtSignature, Issue("rsa2048-b", "/CN=someone else")),
            kCertificateKeyMismatch);
  EXPECT_EQ(WriteCertificate(session_, "sig", kAtSignature, Issue("rsa1024-a", "/CN=short")),
            kDeviceFailed);
  EXPECT_EQ(WriteCertificate(session_, "sig", kAtKeyExchange, Issue("rsa2048-a", "/CN=x")),
            kDeviceFailed);  // the container has no exchange pair
  const std::vector<uint8_t> junk = {0x30, 0x03, 0x02, 0x01, 0x00};
  EXPECT_EQ(WriteCertificate(session_, "sig", kAtSignature, junk), kDeviceFailed);
  EXPECT_EQ(WriteCertificate(session_, "", kAtSignature, junk), kBadArgument);
  EXPECT_EQ(Snapshot(), before);
  CheckOneHandleOpen();
}

TEST_F(CertificateStore, AnSm2CertificateMatchesItsPoint) {
  ContainerWithPair("sm2", 4, kAtKeyExchange);
  const auto certificate = Issue("sm2-a", "/CN=sm2 user/O=Bank");
  EXPECT_EQ(WriteCertificate(session_, "sm2", kAtKeyExchange, Issue("sm2-b", "/CN=other")),
            kCertificateKeyMismatch);
  ASSERT_EQ(WriteCertificate(session_, "sm2", kAtKeyExchange, certificate), kOk);
  std::vector<uint8_t> der;
  ASSERT_EQ(ReadContainerCertificate(session_, "sm2", kAtKeyExchange, der), kOk);
  EXPECT_EQ(der, certificate);
  EXPECT_EQ(Directory()[0].keyNumber, 4);
  CheckOneHandleOpen();
}

TEST_F(CertificateStore, TheToolWriterStoresAndTheListingJoinsKeysAndContainers) {
  const uint16_t signing = ContainerWithPair("sig", 1, kAtSignature);
  ContainerWithPair("plain", 2, kAtKeyExchange);
  const auto certificate = Issue("rsa2048-a", "/CN=tool user/O=Bank");
  ASSERT_EQ(StoreCertificate(session_, 1, certificate, "sig", signing, kAtSignature), kOk);
  std::vector<uint8_t> der;
  ASSERT_EQ(ReadContainerCertificate(session_, "sig", kAtSignature, der), kOk);
  EXPECT_EQ(der, certificate);
  ASSERT_EQ(StoreCertificate(session_, 1, certificate, "sig", signing, kAtSignature), kOk);
  EXPECT_EQ(ListCertificateSlots(KeyFile(kObjectIndex.fileId)).size(), 1u);  // replaced

  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListKeysWithCertificates(session_, keys), kOk);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].keyNumber, 1);
  EXPECT_EQ(keys[0].usage, kUsageSignature);
  EXPECT_EQ(keys[0].subject, "CN=tool user, O=Bank");
  EXPECT_EQ(keys[0].containerName, "sig");
  EXPECT_EQ(keys[1].keyNumber, 2);
  EXPECT_EQ(keys[1].usage, kUsageExchange);
  EXPECT_EQ(keys[1].subject, "no cert");
  EXPECT_EQ(keys[1].containerName, "plain");
  EXPECT_EQ(keys[2].keyNumber, 4);  // no container claims it
  EXPECT_EQ(keys[2].subject, "");
  EXPECT_EQ(keys[2].containerName, "");
  EXPECT_EQ(keys[2].usage, kUsageNone);
  CheckOneHandleOpen();
}

TEST_F(CertificateStore, AFullDirectoryStillTakesTheObjectButNoEntry) {
  const uint16_t signing = ContainerWithPair("sig", 1, kAtSignature);
  std::vector<uint8_t> full;
  for (size_t n = 0; n < kDirectoryEntryCount; ++n) {
    const auto entry = EncodeDirectoryEntry({10, static_cast<uint16_t>(0x0C00 + n), 2, 5});
    full.insert(full.end(), entry.begin(), entry.end());
  }
  ChangeKeyFile(kCertificateDirectoryFile, full);
  const size_t files = FileCount();
  const auto certificate = Issue("rsa2048-a", "/CN=crowded");

  // The tool writer counts the directory entry in and takes everything back out.
  const std::vector<uint8_t> index = KeyFile(kObjectIndex.fileId);
  ContainerInfo before;
  ASSERT_EQ(FindContainer(session_, "sig", before), kOk);
  EXPECT_EQ(StoreCertificate(session_, 1, certificate, "sig", signing, kAtSignature),
            kDeviceFailed);
  EXPECT_EQ(KeyFile(kObjectIndex.fileId), index);
  EXPECT_EQ(FileCount(), files);
  ContainerInfo after;
  ASSERT_EQ(FindContainer(session_, "sig", after), kOk);
  EXPECT_EQ(after.refs, before.refs);

  // The provider's writer stores the object all the same.
  ASSERT_EQ(WriteCertificate(session_, "sig", kAtSignature, certificate), kOk);
  EXPECT_EQ(KeyFile(kCertificateDirectoryFile), full);
  EXPECT_EQ(FileCount(), files + 1);
  CheckOneHandleOpen();
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
  AttributeTemplate object;
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassCertificate));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(object.Serialise(bytes));
  ChangeKeyFile(0x0D01, bytes);
  EXPECT_EQ(ReadCertificate(session_, 0x0D01, value), kAttributeMissing);
  ASSERT_TRUE(object.Set(attr::kValue, std::vector<uint8_t>{}));
  ASSERT_TRUE(object.Serialise(bytes));
  ChangeKeyFile(0x0D01, bytes);
  EXPECT_EQ(ReadCertificate(session_, 0x0D01, value), kWrongAttributeLength);
  ChangeKeyFile(0x0D01, {bytes.begin(), bytes.end() - 1});
  EXPECT_EQ(ReadCertificate(session_, 0x0D01, value), kObjectUnparsable);
  CheckOneHandleOpen();
}

}  // namespace
}  // namespace kq::store
