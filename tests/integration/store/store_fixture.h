#pragma once
// A soft key opened for the store's operations, with the PIN verified so that files may be
// written. Every test ends by closing the session and checking that the key has no handle left
// open.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"
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
  // Reopens the session (the PIN stays verified) and checks no handle leaked meanwhile.
  void CheckOneHandleOpen() const;

  test::SoftKeyScene scene_;
  std::string key_;
  DeviceSession session_;
};

}  // namespace kq::store
