#pragma once
// A soft key opened for the store's operations, with the PIN verified so that files may be
// written. Every test ends by checking that the session was the only handle open on the key, and
// that closing it leaves none.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/container_record.h"
#include "store/index_slot.h"
#include "support/softkey_scene.h"

namespace kq::store {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The key to make; override to preload key pairs or change limits.
  virtual test::SceneKey KeySpec() const { return {}; }

  // The key's files as it holds them now.
  std::vector<uint8_t> KeyFile(uint32_t fileId) const;
  std::vector<IndexSlot> Slots(IndexKind kind) const;
  size_t FileCount() const;
  // Changes a file behind the session's back, as another program would between two uses of the
  // key, and reopens the session: a handle trusts what it read itself until it closes.
  void ChangeKeyFile(uint32_t fileId, const std::vector<uint8_t>& bytes);
  // Writes a raw object file and enters it in a slot of the object index.
  void PlantObject(size_t slot, uint32_t objectClass, uint32_t fileId,
                   const std::vector<uint8_t>& bytes, uint32_t statedLength = 0);
  // The container `name` (made when missing) holding the device key in `slot` as its `pair`.
  struct PairIds {
    uint16_t container = 0, publicKey = 0, privateKey = 0;
  };
  PairIds ContainerWithPair(const std::string& name, uint8_t slot, const KeyPairRefs& pair);
  // An object file of the class with these further attributes, as the store encodes it.
  static std::vector<uint8_t> ObjectFile(
      uint32_t objectClass,
      const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& more = {});

  test::SoftKeyScene scene_;
  std::string key_;
  DeviceSession session_;
};

}  // namespace kq::store
