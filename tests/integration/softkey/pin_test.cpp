// The PIN: counting down to a lock, the verified state of the key, change and initialisation.

#include <gtest/gtest.h>

#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

struct PinInfo {
  uint8_t triesMax = 0;
  uint8_t verified = 0;
  uint8_t triesLeft = 0;
};

PinInfo ReadPinInfo(ZANT_HANDLE handle) {
  uint8_t buffer[32] = {};
  uint32_t length = 3;  // callers ask for three bytes
  EXPECT_EQ(Zant().GetPINInfo(handle, buffer, &length, 0), dev::kOk);
  EXPECT_EQ(length, 3u);
  return {buffer[0], buffer[1], buffer[2]};
}

// Verifies a PIN after wrong tries: the key asks for its button first.
uint32_t VerifyAfterButton(ZANT_HANDLE handle, const char* pin) {
  const uint32_t status = Zant().VerifyPIN(handle, pin, 8);
  if (status != dev::kSwWaitButton) {
    return status;
  }
  EXPECT_EQ(PollUntilEnded(handle), dev::kStateOk);
  uint8_t result[3];
  uint32_t length = sizeof result;
  return Zant().GetData(handle, result, &length, 0);
}

TEST(SoftKeyPin, WrongPinsCountDownToALock) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 4, .button = "ok:0"});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  EXPECT_EQ(ReadPinInfo(key.get()).triesLeft, 4);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "00000000", 8), 0x6303u);
  // After a wrong try every verification waits for the button, exactly 0x6100.
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "00000000", 8), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  uint8_t result[3];
  uint32_t length = sizeof result;
  EXPECT_EQ(Zant().GetData(key.get(), result, &length, 0), 0x6302u);
  EXPECT_EQ(VerifyAfterButton(key.get(), "11111111"), 0x6301u);
  EXPECT_EQ(ReadPinInfo(key.get()).triesLeft, 1);
  EXPECT_EQ(VerifyAfterButton(key.get(), "22222222"), dev::kSwPinLocked);
  EXPECT_EQ(ReadPinInfo(key.get()).triesLeft, 0);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kSwPinLocked);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "1234567", 7), dev::kSwWrongLength);
  EXPECT_EQ(scene.State(name).triesLeft, 0u);
}

TEST(SoftKeyPin, RightPinRestoresTheTries) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "ok:1"});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "00000000", 8), 0x6305u);
  EXPECT_EQ(ReadPinInfo(key.get()).triesLeft, 5);
  EXPECT_EQ(VerifyAfterButton(key.get(), "12345678"), dev::kOk);
  const PinInfo info = ReadPinInfo(key.get());
  EXPECT_EQ(info.triesLeft, 6);
  EXPECT_EQ(info.triesMax, 6);
  EXPECT_EQ(info.verified, 1);
}

}  // namespace
}  // namespace kq::test
