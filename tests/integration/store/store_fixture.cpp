#include "store_fixture.h"

#include "common/codes_store.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "store/public_key_object.h"

namespace kq::store {

void StoreTest::SetUp() {
  key_ = scene_.AddKey(KeySpec());
  ASSERT_EQ(session_.Open(scene_.ReaderName(key_)), 0u);
  const std::string pin = KeySpec().pin;
  ASSERT_EQ(session_.VerifyPIN(pin.c_str(), static_cast<uint32_t>(pin.size())), 0u);
}

void StoreTest::TearDown() {
  EXPECT_EQ(scene_.OpenHandles(key_), 1);
  session_.Close();
  EXPECT_EQ(scene_.OpenHandles(key_), 0);
}

std::vector<uint8_t> StoreTest::KeyFile(uint32_t fileId) const {
  return scene_.ReadKeyFile(key_, fileId).value_or(std::vector<uint8_t>{});
}

std::vector<IndexSlot> StoreTest::Slots(IndexKind kind) const {
  return ParseIndexSlots(KeyFile(IndexFileOf(kind).fileId));
}

size_t StoreTest::FileCount() const {
  return scene_.KeyFiles(key_).size();
}

void StoreTest::ChangeKeyFile(uint32_t fileId, const std::vector<uint8_t>& bytes) {
  scene_.WriteKeyFile(key_, fileId, bytes);
  ASSERT_EQ(session_.Reopen(), 0u);
}

void StoreTest::PlantObject(size_t slot, uint32_t objectClass, uint32_t fileId,
                            const std::vector<uint8_t>& bytes, uint32_t statedLength) {
  if (!bytes.empty()) {
    ChangeKeyFile(fileId, bytes);
  }
  std::vector<uint8_t> index = KeyFile(kObjectIndex.fileId);
  const uint32_t length = statedLength != 0 ? statedLength : static_cast<uint32_t>(bytes.size());
  const auto encoded = EncodeIndexSlot({objectClass, length, static_cast<uint16_t>(fileId)});
  std::copy(encoded.begin(), encoded.end(),
            index.begin() + static_cast<long>(slot * kIndexSlotSize));
  ChangeKeyFile(kObjectIndex.fileId, index);
}

StoreTest::PairIds StoreTest::ContainerWithPair(const std::string& name, uint8_t slot,
                                                const KeyPairRefs& pair) {
  ContainerInfo info;
  if (FindContainer(session_, name, info) != kOk) {
    EXPECT_EQ(CreateContainer(session_, name), kOk);
    EXPECT_EQ(FindContainer(session_, name, info), kOk);
  }
  PairIds ids{info.fileId};
  DevicePublicKey key;
  EXPECT_EQ(ReadDevicePublicKey(session_, slot, key), kOk);
  EXPECT_EQ(WriteKeyObjects(session_, {name, slot, key.first, key.second, {}}, ids.publicKey,
                            ids.privateKey),
            kOk);
  ContainerRefs refs{};
  refs[pair.publicKey] = ids.publicKey;
  refs[pair.privateKey] = ids.privateKey;
  EXPECT_EQ(SetContainerRefs(session_, info.fileId, refs,
                             RefMask(pair.publicKey) | RefMask(pair.privateKey)),
            kOk);
  return ids;
}

std::vector<uint8_t> StoreTest::ObjectFile(
    uint32_t objectClass, const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& more) {
  AttributeTemplate object;
  EXPECT_TRUE(object.SetNumber(attr::kClass, objectClass));
  for (const auto& [type, value] : more) {
    EXPECT_TRUE(object.Set(type, value));
  }
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(object.Serialise(bytes));
  return bytes;
}

}  // namespace kq::store
