#include "store_fixture.h"

#include "store/object_file.h"

namespace kq::store {

void StoreTest::SetUp() {
  key_ = scene_.AddKey(KeySpec());
  ASSERT_EQ(session_.Open(scene_.ReaderName(key_)), 0u);
  const std::string pin = KeySpec().pin;
  ASSERT_EQ(session_.VerifyPIN(pin.c_str(), static_cast<uint32_t>(pin.size())), 0u);
}

void StoreTest::TearDown() {
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

void StoreTest::CheckOneHandleOpen() const {
  EXPECT_EQ(scene_.OpenHandles(key_), 1);
}

}  // namespace kq::store
