// The fixed files' records: index slots, the certificate directory and container references.
#include <gtest/gtest.h>

#include <vector>

#include "store/attribute_types.h"
#include "store/certificate_directory_entry.h"
#include "store/container_record.h"
#include "store/index_slot.h"
#include "support/exact_buffer.h"

namespace kq::store {
namespace {

void PutSlot(std::vector<uint8_t>& index, size_t n, const IndexSlot& slot) {
  const auto bytes = EncodeIndexSlot(slot);
  std::copy(bytes.begin(), bytes.end(), index.begin() + static_cast<long>(n * kIndexSlotSize));
}

// Slots are big-endian; free ones have file id 0 or all ones; a truncated index yields only
// whole slots and no free one.
TEST(IndexSlot, EncodingFreeSlotsSearchesAndTruncatedIndexes) {
  const IndexSlot slot{kClassContainer, 0x01020304, 0xA1B2};
  const auto bytes = EncodeIndexSlot(slot);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
            (std::vector<uint8_t>{0x80, 0x43, 0x54, 0x4E, 1, 2, 3, 4, 0xA1, 0xB2}));
  EXPECT_EQ(ParseIndexSlots(bytes), std::vector<IndexSlot>{slot});
  std::vector<uint8_t> index(kObjectIndex.size(), 0xFF);
  EXPECT_EQ(ParseIndexSlots(index).size(), 40u);
  EXPECT_EQ(FirstFreeSlot(index), 0u);
  PutSlot(index, 0, {kClassCertificate, 100, 0x0101});
  PutSlot(index, 1, {kClassPublicKey, 100, 0});  // file id 0: free whatever else it says
  EXPECT_EQ(FirstFreeSlot(index), 1u);
  PutSlot(index, 1, {kClassCertificate, 0xFFFFFFFF, 0x0102});
  EXPECT_EQ(FirstFreeSlot(index), 2u);
  EXPECT_FALSE(ParseIndexSlots(index)[1].namesObject());  // taken, but with no usable length
  EXPECT_EQ(FindSlotByFileId(index, 0x0102), 1u);
  EXPECT_FALSE(FindSlotByFileId(index, 0x0999).has_value());
  EXPECT_EQ(ListCertificateSlots(index).size(), 2u);
  for (size_t n = 0; n < kObjectIndex.slotCount; ++n) {
    PutSlot(index, n, {kClassContainer, 50, static_cast<uint16_t>(0x100 + n)});
  }
  EXPECT_FALSE(FirstFreeSlot(index).has_value());
  test::ForEachTruncatedPrefix(index, [](std::span<const uint8_t> prefix, size_t n) {
    EXPECT_EQ(ParseIndexSlots(prefix).size(), n / kIndexSlotSize);
    EXPECT_FALSE(FirstFreeSlot(prefix).has_value());
  });
}

TEST(CertificateDirectory, OnlyASeventyByteDirectoryParses) {
  std::vector<uint8_t> directory(kCertificateDirectorySize, 0xFF);
  const DirectoryEntry entry{0x0345, 0x0107, 0x0021, 4};
  const auto bytes = EncodeDirectoryEntry(entry);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
            (std::vector<uint8_t>{0x03, 0x45, 0x01, 0x07, 0x00, 0x21, 4}));
  std::copy(bytes.begin(), bytes.end(), directory.begin() + 14);
  const auto entries = ParseCertificateDirectory(directory);
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->size(), 10u);
  EXPECT_EQ((*entries)[2], entry);
  EXPECT_TRUE((*entries)[0].isFree());
  EXPECT_TRUE((DirectoryEntry{10, 0x0107, 2, 0}).isFree());  // key number 0
  EXPECT_TRUE((DirectoryEntry{10, 0x0000, 2, 3}).isFree());  // file id 0
  test::ForEachTruncatedPrefix(directory, [](std::span<const uint8_t> prefix, size_t n) {
    EXPECT_FALSE(ParseCertificateDirectory(prefix).has_value()) << n;
  });
  directory.push_back(0xFF);
  EXPECT_FALSE(ParseCertificateDirectory(directory).has_value());
}

TEST(ContainerRecord, ReadsNameAndReferencesOrSaysWhatIsWrong) {
  AttributeTemplate object;
  ContainerInfo info;
  EXPECT_EQ(ReadContainerObject(object, info), ContainerShape::kNoClass);
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassCertificate));
  EXPECT_EQ(ReadContainerObject(object, info), ContainerShape::kOtherClass);
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassContainer));
  EXPECT_EQ(ReadContainerObject(object, info), ContainerShape::kNoName);
  const uint8_t name[] = {'k', 'q'};
  ASSERT_TRUE(object.Set(attr::kContainerName, name));
  const std::vector<uint8_t> ten(10, 0);
  ASSERT_TRUE(object.Set(attr::kValue, ten));
  EXPECT_EQ(ReadContainerObject(object, info), ContainerShape::kBadReferences);
  const uint8_t refs[] = {0x01, 0x10, 0x01, 0x11, 0x01, 0x12, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF};
  ASSERT_TRUE(object.Set(attr::kValue, refs));
  ASSERT_EQ(ReadContainerObject(object, info), ContainerShape::kContainer);
  EXPECT_EQ(info.name, "kq");
  EXPECT_EQ(info.refs, (ContainerRefs{0x0110, 0x0111, 0x0112, 0xFFFF, 0x0000, 0xFFFF}));
  EXPECT_TRUE(IsReferenceSet(info.refs[kSignaturePrivateKey]));
  EXPECT_FALSE(IsReferenceSet(info.refs[kExchangePublicKey]));
  const auto encoded = EncodeReferenceList(info.refs);
  EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), std::begin(refs)));
}

}  // namespace
}  // namespace kq::store
