// Key objects and device keys on a soft key with preloaded key pairs.
#include <gtest/gtest.h>

#include "common/codes_store.h"
#include "store/attribute_types.h"
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
    test::SceneKey spec;
    spec.keyPairs = {{1, 1, "rsa2048-a"}, {3, 2, "rsa1024-a"}, {4, 0, "sm2-a"}};
    return spec;
  }

  // Writes the objects of the device key in `slot` for a container and returns their ids.
  std::pair<uint16_t, uint16_t> WritePair(const std::string& container, uint8_t slot) {
    DevicePublicKey key;
    EXPECT_EQ(ReadDevicePublicKey(session_, slot, key), kOk);
    uint16_t publicId = 0;
    uint16_t privateId = 0;
    EXPECT_EQ(WriteKeyObjects(session_, {container, slot, key.first, key.second, {}}, publicId,
                              privateId),
              kOk);
    return {publicId, privateId};
  }
};

TEST_F(KeyObjectStore, ListDeviceKeysReportsTheSlotsInUse) {
  std::vector<KeyListEntry> keys;
  ASSERT_EQ(ListDeviceKeys(session_, keys), kOk);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].keyNumber, 1);
  EXPECT_EQ(keys[0].keyBits, 2048u);
  EXPECT_EQ(keys[0].algorithm, kAlgorithmRsa2048);
  EXPECT_EQ(keys[0].deviceUsage, 2);
  EXPECT_EQ(keys[1].keyNumber, 3);
  EXPECT_EQ(keys[1].algorithm, kAlgorithmRsa1024);
  EXPECT_EQ(keys[1].deviceUsage, 3);
  EXPECT_EQ(keys[2].keyNumber, 4);
  EXPECT_EQ(keys[2].algorithm, kAlgorithmSm2);
  EXPECT_EQ(keys[2].keyBits, 256u);
  EXPECT_EQ(keys[2].deviceUsage, 1);
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, KeyObjectsAreWrittenIndexedAndReadBack) {
  ASSERT_EQ(CreateContainer(session_, "pair"), kOk);
  const auto [publicId, privateId] = WritePair("pair", 1);
  const auto slots = Slots(IndexKind::kObjects);
  EXPECT_EQ(slots[1].objectClass, kClassPublicKey);
  EXPECT_EQ(slots[1].fileId, publicId);
  const auto privateSlots = Slots(IndexKind::kPrivateObjects);
  EXPECT_EQ(privateSlots[0].objectClass, kClassPrivateKey);
  EXPECT_EQ(privateSlots[0].fileId, privateId);
  EXPECT_EQ(privateSlots[0].length, KeyFile(privateId).size());

  ContainerInfo info;
  ASSERT_EQ(FindContainer(session_, "pair", info), kOk);
  ContainerRefs refs{};
  refs[kSignaturePublicKey] = publicId;
  refs[kSignaturePrivateKey] = privateId;
  ASSERT_EQ(SetContainerRefs(session_, info.fileId, refs,
                             RefMask(kSignaturePublicKey) | RefMask(kSignaturePrivateKey)),
            kOk);

  uint8_t keyNumber = 0;
  DevicePublicKey key;
  ASSERT_EQ(ReadPublicKeyObject(session_, publicId, keyNumber, key), kOk);
  EXPECT_EQ(keyNumber, 1);
  EXPECT_EQ(key.bits, 2048u);
  EXPECT_EQ(key.first.size(), 256u);
  AttributeTemplate object;
  ASSERT_EQ(ReadObject(session_, publicId, slots[1].length, object), kOk);
  EXPECT_EQ(*object.Bytes(attr::kModulus), key.first);
  EXPECT_EQ(*object.Bytes(attr::kContainerName), std::vector<uint8_t>({'p', 'a', 'i', 'r'}));

  EXPECT_EQ(ReadPublicKeyObject(session_, privateId, keyNumber, key), kWrongClass);
  EXPECT_EQ(ReadPublicKeyObject(session_, 0, keyNumber, key), kBadFileId);
  EXPECT_EQ(ReadPublicKeyObject(session_, 0x0999, keyNumber, key), kDeviceFailed);
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, TheSm2PointIsReadAsTwoCoordinates) {
  DevicePublicKey key;
  ASSERT_EQ(ReadDevicePublicKey(session_, 4, key), kOk);
  EXPECT_EQ(key.bits, 256u);
  EXPECT_EQ(key.first.size(), 32u);
  EXPECT_EQ(key.second.size(), 32u);
  EXPECT_EQ(ReadDevicePublicKey(session_, 2, key), kDeviceFailed);  // an empty slot
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, BadKeyNumbersInObjectsAreReported) {
  AttributeTemplate object;
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassPublicKey));
  std::vector<uint8_t> bytes;
  for (const auto& [number, expected] :
       std::vector<std::pair<std::vector<uint8_t>, uint32_t>>{{{}, kWrongAttributeLength},
                                                              {{1, 2}, kWrongAttributeLength},
                                                              {{6}, kBadKeyNumber},
                                                              {{0}, kBadKeyNumber}}) {
    ASSERT_TRUE(object.Set(attr::kKeyNumber, number));
    ASSERT_TRUE(object.Serialise(bytes));
    ChangeKeyFile(0x0900, bytes);
    uint8_t keyNumber = 0;
    DevicePublicKey key;
    EXPECT_EQ(ReadPublicKeyObject(session_, 0x0900, keyNumber, key), expected);
  }
  AttributeTemplate noNumber;
  ASSERT_TRUE(noNumber.SetNumber(attr::kClass, kClassPublicKey));
  ASSERT_TRUE(noNumber.Serialise(bytes));
  ChangeKeyFile(0x0901, bytes);
  uint8_t keyNumber = 0;
  EXPECT_EQ(ReadKeyNumberOfObject(session_, 0x0901, false, keyNumber), kAttributeMissing);
  EXPECT_EQ(ReadKeyNumberOfObject(session_, 0x0901, true, keyNumber), kAttributeMissing);
  ChangeKeyFile(0x0902, {0, 0, 0, 0, 0, 0, 0, 4, 0, 0});  // truncated number
  EXPECT_EQ(ReadKeyNumberOfObject(session_, 0x0902, false, keyNumber), kSerialiseFailed);
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, AFullPrivateIndexLeavesNoOrphanPublicObject) {
  std::vector<uint8_t> full(kPrivateObjectIndex.size());
  for (size_t n = 0; n < kPrivateObjectIndex.slotCount; ++n) {
    const auto slot = EncodeIndexSlot({kClassPrivateKey, 100, static_cast<uint16_t>(0x0A00 + n)});
    std::copy(slot.begin(), slot.end(), full.begin() + static_cast<long>(n * kIndexSlotSize));
  }
  ChangeKeyFile(kPrivateObjectIndex.fileId, full);
  const std::vector<uint8_t> objectIndex = KeyFile(kObjectIndex.fileId);
  const size_t files = FileCount();

  DevicePublicKey key;
  ASSERT_EQ(ReadDevicePublicKey(session_, 1, key), kOk);
  uint16_t publicId = 0;
  uint16_t privateId = 0;
  EXPECT_EQ(WriteKeyObjects(session_, {"full", 1, key.first, key.second, {}}, publicId, privateId),
            kNoFreeSlot);
  EXPECT_EQ(KeyFile(kObjectIndex.fileId), objectIndex);
  EXPECT_EQ(FileCount(), files);
  EXPECT_EQ(publicId, 0);
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, AFailedPrivateWriteTakesThePublicObjectBackOut) {
  const std::vector<uint8_t> objectIndex = KeyFile(kObjectIndex.fileId);
  const size_t files = FileCount();
  DevicePublicKey key;
  ASSERT_EQ(ReadDevicePublicKey(session_, 1, key), kOk);
  // The second file creation of the call is the private object's.
  scene_.SetProcessFaults("ZANT_CreateFile:2:0x6A84");
  uint16_t publicId = 0;
  uint16_t privateId = 0;
  EXPECT_EQ(WriteKeyObjects(session_, {"fail", 1, key.first, key.second, {}}, publicId, privateId),
            kCreateFailed);
  scene_.SetProcessFaults("");
  EXPECT_EQ(FileCount(), files);
  const auto slots = Slots(IndexKind::kObjects);
  EXPECT_EQ(slots[0], kReleasedSlot);
  EXPECT_EQ(objectIndex.size(), KeyFile(kObjectIndex.fileId).size());
  CheckOneHandleOpen();
}

TEST_F(KeyObjectStore, WriteKeyObjectsChecksItsArguments) {
  const std::vector<uint8_t> modulus(200, 1);
  const uint8_t exponent[] = {0, 1, 0, 1};
  uint16_t publicId = 0;
  uint16_t privateId = 0;
  EXPECT_EQ(WriteKeyObjects(session_, {"x", 1, modulus, exponent, {}}, publicId, privateId),
            kSizeMismatch);
  const std::vector<uint8_t> good(128, 1);
  EXPECT_EQ(WriteKeyObjects(session_, {"", 1, good, exponent, {}}, publicId, privateId),
            kBadArgument);
  CheckOneHandleOpen();
}

}  // namespace
}  // namespace kq::store
