// Containers on a soft key: create, find, list, update and delete, full indexes and damaged
// files. After every operation the session is the only handle open on the key.
#include <gtest/gtest.h>

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/containers.h"
#include "store/default_templates.h"
#include "store/object_file.h"
#include "store_fixture.h"

namespace kq::store {
namespace {

using ContainerStore = StoreTest;

// A container object's bytes, with the reference list given.
std::vector<uint8_t> ContainerBytes(const std::string& name, const std::vector<uint8_t>& refs) {
  AttributeTemplate object;
  EXPECT_EQ(object.Load(ContainerDefaults()), 0u);
  EXPECT_TRUE(object.Set(attr::kContainerName,
                         {reinterpret_cast<const uint8_t*>(name.data()), name.size()}));
  EXPECT_TRUE(object.Set(attr::kValue, refs));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(object.Serialise(bytes));
  return bytes;
}

TEST_F(ContainerStore, FreshKeyListsNothingAndTheFirstContainerTakesSlotZero) {
  std::vector<ContainerInfo> containers;
  ASSERT_EQ(ListContainers(session_, containers), kOk);
  EXPECT_TRUE(containers.empty());

  ASSERT_EQ(CreateContainer(session_, "alpha"), kOk);
  const auto slots = Slots(IndexKind::kObjects);
  EXPECT_EQ(slots[0].objectClass, kClassContainer);
  const std::vector<uint8_t> file = KeyFile(slots[0].fileId);
  EXPECT_EQ(slots[0].length, file.size());
  EXPECT_EQ(file, ContainerBytes("alpha", std::vector<uint8_t>(12, 0xFF)));
  EXPECT_TRUE(slots[1].isFree());
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, CreateFindListAndRefuseADuplicateName) {
  ASSERT_EQ(CreateContainer(session_, "alpha"), kOk);
  ASSERT_EQ(CreateContainer(session_, "Alpha"), kOk);  // letter case makes another name
  const size_t files = FileCount();
  EXPECT_EQ(CreateContainer(session_, "alpha"), kContainerExists);
  EXPECT_EQ(CreateContainer(session_, ""), kBadArgument);
  EXPECT_EQ(FileCount(), files);

  std::vector<std::string> names;
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Alpha"}));

  ContainerInfo info;
  ASSERT_EQ(FindContainer(session_, "Alpha", info), kOk);
  EXPECT_EQ(info.name, "Alpha");
  EXPECT_EQ(info.fileId, Slots(IndexKind::kObjects)[1].fileId);
  EXPECT_EQ(info.refs, (ContainerRefs{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(FindContainer(session_, "alph", info), kContainerNotFound);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, SetContainerRefsReplacesOnlyTheMaskedReferences) {
  ASSERT_EQ(CreateContainer(session_, "box"), kOk);
  ContainerInfo info;
  ASSERT_EQ(FindContainer(session_, "box", info), kOk);
  const std::vector<uint8_t> before = KeyFile(info.fileId);
  ASSERT_EQ(SetContainerRefs(session_, info.fileId, {1, 2, 3, 4, 5, 6}, 0), kOk);
  EXPECT_EQ(KeyFile(info.fileId), before);  // mask 0 rewrites the object unchanged

  ASSERT_EQ(SetContainerRefs(session_, info.fileId, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16},
                             RefMask(kSignaturePublicKey) | RefMask(kSignaturePrivateKey)),
            kOk);
  ASSERT_EQ(FindContainer(session_, "box", info), kOk);
  EXPECT_EQ(info.refs, (ContainerRefs{0xFFFF, 0x12, 0x13, 0xFFFF, 0xFFFF, 0xFFFF}));
  ASSERT_EQ(ClearContainerRef(session_, info.fileId, kSignaturePublicKey), kOk);
  ASSERT_EQ(FindContainer(session_, "box", info), kOk);
  EXPECT_EQ(info.refs[kSignaturePublicKey], 0xFFFF);
  EXPECT_EQ(KeyFile(info.fileId).size(), before.size());

  EXPECT_EQ(SetContainerRefs(session_, 0, {}, 1), kBadFileId);
  EXPECT_EQ(SetContainerRefs(session_, 0x0777, {}, 1), kSizeMismatch);  // no such file
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, SetContainerRefsRefusesObjectsThatAreNotContainers) {
  AttributeTemplate object;
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassCertificate));
  ASSERT_TRUE(object.Set(attr::kValue, std::vector<uint8_t>(12, 0xFF)));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(object.Serialise(bytes));
  ChangeKeyFile(0x0500, bytes);
  EXPECT_EQ(SetContainerRefs(session_, 0x0500, {}, 1), kWrongClass);

  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassContainer));
  ASSERT_TRUE(object.Set(attr::kValue, std::vector<uint8_t>(10, 0xFF)));
  ASSERT_TRUE(object.Serialise(bytes));
  ChangeKeyFile(0x0501, bytes);
  EXPECT_EQ(SetContainerRefs(session_, 0x0501, {}, 1), kWrongAttributeLength);

  ChangeKeyFile(0x0502, {0, 0, 0, 0, 0, 0, 0, 9, 1});
  EXPECT_EQ(SetContainerRefs(session_, 0x0502, {}, 1), kObjectUnparsable);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, AFullObjectIndexRefusesANewContainerAndWritesNothing) {
  for (size_t n = 0; n < kObjectIndex.slotCount; ++n) {
    PlantObject(n, kClassCertificate, 0x0100 + static_cast<uint32_t>(n), {}, 64);
  }
  const std::vector<uint8_t> index = KeyFile(kObjectIndex.fileId);
  const size_t files = FileCount();
  EXPECT_EQ(CreateContainer(session_, "late"), kNoFreeSlot);
  EXPECT_EQ(KeyFile(kObjectIndex.fileId), index);
  EXPECT_EQ(FileCount(), files);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, DeleteObjectReleasesTheSlotEvenWhenTheFileIsGone) {
  ASSERT_EQ(CreateContainer(session_, "gone"), kOk);
  const IndexSlot slot = Slots(IndexKind::kObjects)[0];
  ASSERT_TRUE(scene_.ReadKeyFile(key_, slot.fileId).has_value());
  ASSERT_EQ(DeleteObject(session_, slot.fileId, IndexKind::kObjects), kOk);
  EXPECT_FALSE(scene_.ReadKeyFile(key_, slot.fileId).has_value());
  EXPECT_EQ(Slots(IndexKind::kObjects)[0], kReleasedSlot);

  PlantObject(3, kClassContainer, 0x0444, {}, 50);  // a slot whose file never existed
  ASSERT_EQ(DeleteObject(session_, 0x0444, IndexKind::kObjects), kOk);
  EXPECT_EQ(Slots(IndexKind::kObjects)[3], kReleasedSlot);
  EXPECT_EQ(DeleteObject(session_, 0xFFFF, IndexKind::kObjects), kBadFileId);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, ListingPassesOverOtherClassesAndStopsAtDamagedContainers) {
  ASSERT_EQ(CreateContainer(session_, "good"), kOk);
  AttributeTemplate certificate;
  ASSERT_TRUE(certificate.SetNumber(attr::kClass, kClassCertificate));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(certificate.Serialise(bytes));
  PlantObject(1, kClassContainer, 0x0600, bytes);  // a container slot naming a certificate
  std::vector<std::string> names;
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_EQ(names, std::vector<std::string>{"good"});
  ContainerInfo info;
  EXPECT_EQ(FindContainer(session_, "good", info), kOk);
  EXPECT_EQ(FindContainer(session_, "other", info), kWrongClass);

  PlantObject(1, kClassContainer, 0x0600, ContainerBytes("short", std::vector<uint8_t>(10, 0)));
  EXPECT_EQ(ListContainerNames(session_, names), kListingFailed);
  EXPECT_EQ(FindContainer(session_, "short", info), kAttributeMissing);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, SlotsThatLieAboutTheirObjectsGiveErrorsNotCrashes) {
  std::vector<std::string> names;
  ContainerInfo info;
  // A slot naming a file that does not exist: the device's status comes back.
  PlantObject(0, kClassContainer, 0x0700, {}, 40);
  EXPECT_EQ(dev::StatusWord(ListContainerNames(session_, names)), dev::kSwFileNotFound);
  EXPECT_EQ(FindContainer(session_, "x", info), kDeviceFailed);

  // A slot claiming almost 4 GiB for a small file: refused without reading or allocating it.
  const std::vector<uint8_t> small = ContainerBytes("small", std::vector<uint8_t>(12, 0xFF));
  PlantObject(0, kClassContainer, 0x0700, small, 0xFFFFFFFE);
  EXPECT_EQ(ListContainerNames(session_, names), kShortRead);
  EXPECT_EQ(CreateContainer(session_, "new"), kShortRead);

  // A repeated attribute.
  std::vector<uint8_t> twice = small;
  twice.insert(twice.end(), small.begin(), small.begin() + 12);  // CKA_CLASS again
  PlantObject(0, kClassContainer, 0x0700, twice);
  EXPECT_EQ(ListContainerNames(session_, names), kParseRepeated);
  EXPECT_EQ(FindContainer(session_, "small", info), kParseRepeated);
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, EveryTruncatedContainerObjectIsRefusedWithoutAnOverRead) {
  const std::vector<uint8_t> whole = ContainerBytes("prefix", std::vector<uint8_t>(12, 0xFF));
  std::vector<std::string> names;
  for (size_t n = 1; n < whole.size(); ++n) {
    const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(n));
    PlantObject(0, kClassContainer, 0x0800, prefix);
    const uint32_t result = ListContainerNames(session_, names);
    EXPECT_TRUE(result == kParseMalformed || result == kListingFailed) << n << " " << result;
  }
  PlantObject(0, kClassContainer, 0x0800, whole);
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_EQ(names, std::vector<std::string>{"prefix"});
  CheckOneHandleOpen();
}

TEST_F(ContainerStore, AnIndexOfGarbageOrOfTheWrongLengthIsSurvived) {
  // Every slot claims a container, with made-up lengths and file ids.
  std::vector<uint8_t> garbage(kObjectIndex.size());
  for (size_t i = 0; i < garbage.size(); ++i) {
    garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  }
  for (size_t n = 0; n < kObjectIndex.slotCount; ++n) {
    const uint8_t containerClass[] = {0x80, 0x43, 0x54, 0x4E};
    std::copy(std::begin(containerClass), std::end(containerClass),
              garbage.begin() + static_cast<long>(n * kIndexSlotSize));
  }
  ChangeKeyFile(kObjectIndex.fileId, garbage);
  std::vector<std::string> names;
  const uint32_t listed = ListContainerNames(session_, names);
  EXPECT_NE(listed, kOk);
  ChangeKeyFile(kObjectIndex.fileId, std::vector<uint8_t>(25, 0xFF));
  EXPECT_EQ(ListContainerNames(session_, names), kShortRead);
  EXPECT_EQ(CreateContainer(session_, "late"), kShortRead);
  EXPECT_EQ(DeleteObject(session_, 0x0123, IndexKind::kObjects), kIndexUnreadable);
  CheckOneHandleOpen();
}

}  // namespace
}  // namespace kq::store
