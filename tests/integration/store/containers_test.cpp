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

TEST_F(ContainerStore, CreateFindListUpdateAndRefuse) {
  std::vector<std::string> names;
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_TRUE(names.empty());
  ASSERT_EQ(CreateContainer(session_, "alpha"), kOk);
  ASSERT_EQ(CreateContainer(session_, "Alpha"), kOk);  // letter case makes another name
  const auto slots = Slots(IndexKind::kObjects);
  EXPECT_EQ(slots[0].objectClass, kClassContainer);
  EXPECT_EQ(KeyFile(slots[0].fileId), ContainerBytes("alpha", std::vector<uint8_t>(12, 0xFF)));
  const size_t files = FileCount();
  EXPECT_EQ(CreateContainer(session_, "alpha"), kContainerExists);
  EXPECT_EQ(CreateContainer(session_, ""), kBadArgument);
  EXPECT_EQ(FileCount(), files);
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Alpha"}));
  ContainerInfo info;
  EXPECT_EQ(FindContainer(session_, "alph", info), kContainerNotFound);
  ASSERT_EQ(FindContainer(session_, "Alpha", info), kOk);
  EXPECT_EQ(info.fileId, slots[1].fileId);
  EXPECT_EQ(info.refs, (ContainerRefs{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));

  // Only the masked references change.
  ASSERT_EQ(SetContainerRefs(session_, info.fileId, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16},
                             RefMask(kSignaturePublicKey) | RefMask(kSignaturePrivateKey)),
            kOk);
  ASSERT_EQ(ClearContainerRef(session_, info.fileId, kSignaturePublicKey), kOk);
  ASSERT_EQ(FindContainer(session_, "Alpha", info), kOk);
  EXPECT_EQ(info.refs, (ContainerRefs{0xFFFF, 0xFFFF, 0x13, 0xFFFF, 0xFFFF, 0xFFFF}));

  // What SetContainerRefs refuses to rewrite.
  ChangeKeyFile(0x0500, ObjectFile(kClassCertificate, {{attr::kValue, std::vector<uint8_t>(12)}}));
  ChangeKeyFile(0x0501, ObjectFile(kClassContainer, {{attr::kValue, std::vector<uint8_t>(10)}}));
  for (const auto& [fileId, code] : {std::pair{0x0500u, kWrongClass},
                                     {0x0501u, kWrongAttributeLength},
                                     {0u, kBadFileId},
                                     {0x0777u, kSizeMismatch}}) {
    EXPECT_EQ(SetContainerRefs(session_, static_cast<uint16_t>(fileId), {}, 1), code) << fileId;
  }

  // Deleting releases the slot, even when the slot's file never existed.
  ASSERT_EQ(DeleteObject(session_, slots[0].fileId, IndexKind::kObjects), kOk);
  EXPECT_FALSE(scene_.ReadKeyFile(key_, slots[0].fileId).has_value());
  EXPECT_EQ(Slots(IndexKind::kObjects)[0], kReleasedSlot);
  PlantObject(3, kClassContainer, 0x0444, {}, 50);
  ASSERT_EQ(DeleteObject(session_, 0x0444, IndexKind::kObjects), kOk);
  EXPECT_EQ(Slots(IndexKind::kObjects)[3], kReleasedSlot);
  EXPECT_EQ(DeleteObject(session_, 0xFFFF, IndexKind::kObjects), kBadFileId);
}

// Container slots after "good" that name what is not a container, no file, or a file with a length
// of almost 4 GiB: errors, with nothing read past a file's end or allocated for a length it lacks.
// (The parsers' own refusals are unit-tested.)
TEST_F(ContainerStore, SlotsThatLieAboutTheirObjectsGiveErrorsNotCrashes) {
  ASSERT_EQ(CreateContainer(session_, "good"), kOk);
  std::vector<std::string> names;
  ContainerInfo info;
  PlantObject(1, kClassContainer, 0x0701, ObjectFile(kClassCertificate));
  ASSERT_EQ(ListContainerNames(session_, names), kOk);
  EXPECT_EQ(names, (std::vector<std::string>{"good"}));
  EXPECT_EQ(FindContainer(session_, "other", info), kWrongClass);
  PlantObject(1, kClassContainer, 0x0702, {}, 40);
  EXPECT_EQ(dev::StatusWord(ListContainerNames(session_, names)), dev::kSwFileNotFound);
  EXPECT_EQ(FindContainer(session_, "other", info), kDeviceFailed);
  PlantObject(1, kClassContainer, 0x0703, ContainerBytes("x", std::vector<uint8_t>(12)),
              0xFFFFFFFE);
  EXPECT_EQ(ListContainerNames(session_, names), kShortRead);
  EXPECT_EQ(CreateContainer(session_, "new"), kShortRead);
  // An index shorter than its slots.
  ChangeKeyFile(kObjectIndex.fileId, std::vector<uint8_t>(25, 0xFF));
  EXPECT_EQ(ListContainerNames(session_, names), kShortRead);
  EXPECT_EQ(CreateContainer(session_, "late"), kShortRead);
  EXPECT_EQ(DeleteObject(session_, 0x0123, IndexKind::kObjects), kIndexUnreadable);
}

}  // namespace
}  // namespace kq::store
