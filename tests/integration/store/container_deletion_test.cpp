// Deleting containers with their key pairs, behind the key's button.
#include <gtest/gtest.h>

#include "common/codes_cryptoapi.h"
#include "common/codes_store.h"
#include "store/container_deletion.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "store_fixture.h"

namespace kq::store {
namespace {

class ContainerDeletion : public StoreTest {
 protected:
  test::SceneKey KeySpec() const override {
    test::SceneKey spec;
    spec.keyPairs = {{1, 1, "rsa2048-a"}, {3, 2, "rsa1024-a"}};
    spec.button = "ok:1";
    return spec;
  }

  void AddPair(const ContainerInfo& info, uint8_t slot, const KeyPairRefs& pair) {
    DevicePublicKey key;
    ASSERT_EQ(ReadDevicePublicKey(session_, slot, key), kOk);
    uint16_t publicId = 0;
    uint16_t privateId = 0;
    ASSERT_EQ(WriteKeyObjects(session_, {info.name, slot, key.first, key.second, {}}, publicId,
                              privateId),
              kOk);
    ContainerRefs refs{};
    refs[pair.publicKey] = publicId;
    refs[pair.privateKey] = privateId;
    ASSERT_EQ(SetContainerRefs(session_, info.fileId, refs,
                               RefMask(pair.publicKey) | RefMask(pair.privateKey)),
              kOk);
  }

  ContainerInfo Container(const std::string& name) {
    EXPECT_EQ(CreateContainer(session_, name), kOk);
    ContainerInfo info;
    EXPECT_EQ(FindContainer(session_, name, info), kOk);
    return info;
  }
};

TEST_F(ContainerDeletion, EverythingTheContainerOwnsGoesWithIt) {
  const size_t files = FileCount();
  const ContainerInfo info = Container("both");
  AddPair(info, 1, kSignaturePair);
  AddPair(info, 3, kExchangePair);
  ASSERT_EQ(DeleteContainer(session_, "both"), kOk);
  EXPECT_EQ(FileCount(), files);
  for (const IndexSlot& slot : Slots(IndexKind::kObjects)) {
    EXPECT_TRUE(slot.isFree());
  }
  for (const IndexSlot& slot : Slots(IndexKind::kPrivateObjects)) {
    EXPECT_TRUE(slot.isFree());
  }
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListDeviceKeys(session_, keys), kOk);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(DeleteContainer(session_, "both"), kContainerNotFound);
  EXPECT_EQ(DeleteContainer(session_, ""), kBadArgument);
  CheckOneHandleOpen();
}

TEST_F(ContainerDeletion, DecliningTheExchangeKeyStopsAfterTheSignaturePair) {
  const ContainerInfo info = Container("declined");
  AddPair(info, 1, kSignaturePair);
  AddPair(info, 3, kExchangePair);
  scene_.SetButton(key_, "ok:1,cancel:1");
  EXPECT_EQ(DeleteContainer(session_, "declined"), win::kScardCancelledByUser);
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListDeviceKeys(session_, keys), kOk);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].keyNumber, 3);  // the signature pair is gone, the exchange pair stays
  ContainerInfo after;
  ASSERT_EQ(FindContainer(session_, "declined", after), kOk);
  uint8_t keyNumber = 0;
  DevicePublicKey key;
  EXPECT_EQ(ReadPublicKeyObject(session_, after.refs[kExchangePublicKey], keyNumber, key), kOk);
  CheckOneHandleOpen();
}

}  // namespace
}  // namespace kq::store
