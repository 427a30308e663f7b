// Key objects, device keys and the deletion of containers with their key pairs, on a soft key with
// preloaded key pairs.
#include <gtest/gtest.h>

#include <tuple>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/container_deletion.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "store_fixture.h"

namespace kq::store {
namespace {

class KeyObjectStore : public StoreTest {
 protected:
  test::SceneKey KeySpec() const override {
    return {.keyPairs = {{1, 1, "rsa2048-a"}, {3, 2, "rsa1024-a"}, {4, 0, "sm2-a"}}};
  }
};

TEST_F(KeyObjectStore, DeviceKeysAndTheirObjects) {
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListDeviceKeys(session_, keys), kOk);
  std::vector<std::tuple<int, uint32_t, int, int>> listed;
  for (const KeyListEntry& k : keys) {
    listed.emplace_back(k.keyNumber, k.keyBits, k.algorithm, k.deviceUsage);
  }
  EXPECT_EQ(listed,
            (std::vector<std::tuple<int, uint32_t, int, int>>{{1, 2048u, kAlgorithmRsa2048, 2},
                                                              {3, 1024u, kAlgorithmRsa1024, 3},
                                                              {4, 256u, kAlgorithmSm2, 1}}));
  DevicePublicKey key;
  ASSERT_EQ(ReadDevicePublicKey(session_, 4, key), kOk);  // the SM2 point as two coordinates
  EXPECT_EQ(std::tuple(key.bits, key.first.size(), key.second.size()), std::tuple(256u, 32u, 32u));
  EXPECT_EQ(ReadDevicePublicKey(session_, 2, key), kDeviceFailed);  // an empty slot

  const auto [container, publicId, privateId] = ContainerWithPair("pair", 1, kSignaturePair);
  const auto slots = Slots(IndexKind::kObjects);
  EXPECT_EQ(slots[1].objectClass, kClassPublicKey);
  EXPECT_EQ(slots[1].fileId, publicId);
  const auto privateSlots = Slots(IndexKind::kPrivateObjects);
  EXPECT_EQ(privateSlots[0].objectClass, kClassPrivateKey);
  EXPECT_EQ(privateSlots[0].fileId, privateId);
  EXPECT_EQ(privateSlots[0].length, KeyFile(privateId).size());
  uint8_t keyNumber = 0;
  ASSERT_EQ(ReadPublicKeyObject(session_, publicId, keyNumber, key), kOk);
  EXPECT_EQ(std::pair(keyNumber, key.bits), std::pair(uint8_t{1}, 2048u));

  // Objects that hold no usable key number.
  const auto withNumber = [](std::vector<uint8_t> number) {
    return ObjectFile(kClassPublicKey, {{attr::kKeyNumber, std::move(number)}});
  };
  for (const auto& [bytes, code] : std::vector<std::pair<std::vector<uint8_t>, uint32_t>>{
           {ObjectFile(kClassPublicKey), kAttributeMissing},
           {withNumber({}), kWrongAttributeLength},
           {withNumber({6}), kBadKeyNumber},
           {KeyFile(privateId), kWrongClass},
           {{0, 0, 0, 0, 0, 0, 0, 4, 0, 0}, kSerialiseFailed}}) {  // a truncated number
    ChangeKeyFile(0x0900, bytes);
    EXPECT_EQ(ReadKeyNumberOfObject(session_, 0x0900, false, keyNumber), code);
  }
  EXPECT_EQ(ReadPublicKeyObject(session_, 0, keyNumber, key), kBadFileId);
  EXPECT_EQ(ReadPublicKeyObject(session_, 0x0999, keyNumber, key), kDeviceFailed);
}

// A full private index, or a failing creation of the private object, leaves nothing behind.
TEST_F(KeyObjectStore, AFailedPrivateObjectLeavesNoOrphanPublicObject) {
  DevicePublicKey key;
  ASSERT_EQ(ReadDevicePublicKey(session_, 1, key), kOk);
  uint16_t publicId = 0;
  uint16_t privateId = 0;
  const size_t files = FileCount();
  // The second file creation of the call is the private object's.
  scene_.SetProcessFaults("ZANT_CreateFile:2:0x6A84");
  EXPECT_EQ(WriteKeyObjects(session_, {"fail", 1, key.first, key.second, {}}, publicId, privateId),
            kCreateFailed);
  scene_.SetProcessFaults("");
  EXPECT_EQ(FileCount(), files);
  EXPECT_EQ(Slots(IndexKind::kObjects)[0], kReleasedSlot);

  std::vector<uint8_t> full(kPrivateObjectIndex.size());
  for (size_t n = 0; n < kPrivateObjectIndex.slotCount; ++n) {
    const auto slot = EncodeIndexSlot({kClassPrivateKey, 100, static_cast<uint16_t>(0x0A00 + n)});
    std::copy(slot.begin(), slot.end(), full.begin() + static_cast<long>(n * kIndexSlotSize));
  }
  ChangeKeyFile(kPrivateObjectIndex.fileId, full);
  const std::vector<uint8_t> released = KeyFile(kObjectIndex.fileId);
  publicId = 0;
  EXPECT_EQ(WriteKeyObjects(session_, {"full", 1, key.first, key.second, {}}, publicId, privateId),
            kNoFreeSlot);
  EXPECT_EQ(KeyFile(kObjectIndex.fileId), released);
  EXPECT_EQ(FileCount(), files);
  EXPECT_EQ(publicId, 0);
}

TEST_F(KeyObjectStore, DeletingAContainerTakesEverythingItOwns) {
  const size_t files = FileCount();
  ContainerWithPair("both", 1, kSignaturePair);
  ContainerWithPair("both", 3, kExchangePair);
  ASSERT_EQ(DeleteContainer(session_, "both"), kOk);
  EXPECT_EQ(FileCount(), files);
  for (const IndexKind kind : {IndexKind::kObjects, IndexKind::kPrivateObjects}) {
    for (const IndexSlot& slot : Slots(kind)) {
      EXPECT_TRUE(slot.isFree());
    }
  }
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListDeviceKeys(session_, keys), kOk);
  EXPECT_EQ(keys.size(), 1u);  // the SM2 key no container held
  EXPECT_EQ(DeleteContainer(session_, "both"), kContainerNotFound);
  EXPECT_EQ(DeleteContainer(session_, ""), kBadArgument);
}

// On a damaged key whose container "b" names "a"'s private key object too, deleting "a" leaves
// that object to "b"; "b"'s own key pair stays.
TEST_F(KeyObjectStore, DeletingAContainerLeavesWhatAnotherContainerNames) {
  const PairIds a = ContainerWithPair("a", 1, kSignaturePair);
  const PairIds b = ContainerWithPair("b", 3, kSignaturePair);
  ContainerRefs refs{};
  refs[kExchangePrivateKey] = a.privateKey;
  ASSERT_EQ(SetContainerRefs(session_, b.container, refs, RefMask(kExchangePrivateKey)), kOk);
  ASSERT_EQ(DeleteContainer(session_, "a"), kOk);
  EXPECT_TRUE(FindSlotByFileId(KeyFile(kPrivateObjectIndex.fileId), a.privateKey).has_value());
  EXPECT_TRUE(scene_.KeySlot(key_, 3).has_value());
  EXPECT_FALSE(scene_.KeySlot(key_, 1).has_value());
}

}  // namespace
}  // namespace kq::store
