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

TEST(SoftKeyPin, VerifiedStateBelongsToTheKey) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  const std::string reader = scene.ReaderName(name);
  {
    SoftKeyHandle first(reader);
    ASSERT_EQ(Zant().VerifyPIN(first.get(), "12345678", 8), dev::kOk);
  }
  SoftKeyHandle second(reader);
  EXPECT_EQ(ReadPinInfo(second.get()).verified, 1) << "survives closing and reopening";
  ASSERT_EQ(Zant().CleanPinStatus(second.get()), dev::kOk);
  EXPECT_EQ(ReadPinInfo(second.get()).verified, 0);
  uint32_t id = 0;
  EXPECT_EQ(Zant().CreateFile(second.get(), &id, 10, 0), dev::kSwSecurityNotSatisfied);

  ASSERT_EQ(Zant().VerifyPIN(second.get(), "12345678", 8), dev::kOk);
  EXPECT_EQ(Zant().VerifyPIN(second.get(), "87654321", 8), 0x6305u);
  EXPECT_EQ(ReadPinInfo(second.get()).verified, 0) << "a wrong PIN ends the verified state";
  scene.SetPinState(name, std::nullopt, true);
  scene.Replug(name);
  EXPECT_EQ(ReadPinInfo(second.get()).verified, 0) << "pulling the key out ends it too";
}

TEST(SoftKeyPin, ChangeChecksTheOldPinAtOnceAndChangesAfterTheButton) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "ok:1"});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  EXPECT_EQ(Zant().ChangePIN(key.get(), "99999999", 8, "abcdefgh", 8, 0), 0x6305u);
  EXPECT_EQ(Zant().ChangePIN(key.get(), "12345678", 8, "abcdefg", 7, 0), dev::kSwWrongLength);
  ASSERT_EQ(Zant().ChangePIN(key.get(), "12345678", 8, "abcdefgh", 8, 0), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  uint8_t result[32];
  uint32_t length = sizeof result;
  ASSERT_EQ(Zant().GetData(key.get(), result, &length, 5), dev::kOk);
  EXPECT_EQ(ReadPinInfo(key.get()).triesLeft, 6);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "abcdefgh", 8), dev::kOk);

  // A change cancelled on the key keeps the PIN.
  scene.SetButton(name, "cancel:0");
  ASSERT_EQ(Zant().ChangePIN(key.get(), "abcdefgh", 8, "zzzzzzzz", 8, 0), dev::kSwWaitButton);
  EXPECT_EQ(PollUntilEnded(key.get()), dev::kStateCancelled);
  EXPECT_EQ(scene.State(name).pin, "abcdefgh");
}

TEST(SoftKeyPin, InitialisationRestoresTheFactoryState) {
  SoftKeyScene scene;
  const std::string name =
      scene.AddKey({.label = "factory", .button = "ok:0", .keyPairs = {{2, 1, "rsa1024-b"}}});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(key.openStatus(), dev::kOk);
  ASSERT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kOk);
  uint32_t id = 0xD000;
  ASSERT_EQ(Zant().CreateFile(key.get(), &id, 70, 0), dev::kOk);
  std::vector<uint8_t> label(32, 'x');
  uint32_t count = 0;
  ASSERT_EQ(Zant().WriteFile(key.get(), 0xD003, 0, label.data(), 32, &count, 0), dev::kOk);
  scene.SetPinState(name, 2, std::nullopt);

  uint8_t identity[16];
  uint32_t length = sizeof identity;
  ASSERT_EQ(Zant().GetDevSer(key.get(), identity, &length, 6), dev::kOk);
  uint8_t other[16] = {'7', '3', '9', '9'};
  EXPECT_EQ(Zant().InitDev(key.get(), other, 0), dev::kSwWrongData) << "another key's identity";
  ASSERT_EQ(Zant().InitDev(key.get(), identity, 0x1234), dev::kSwWaitButton);
  ASSERT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
  uint8_t result[32];
  length = sizeof result;
  ASSERT_EQ(Zant().GetData(key.get(), result, &length, 5), dev::kOk);

  const sim::KeyState state = scene.State(name);
  EXPECT_EQ(state.triesLeft, 6u);
  EXPECT_FALSE(state.pinVerified);
  EXPECT_EQ(state.initArgument, 0x1234u);
  EXPECT_FALSE(scene.KeySlot(name, 2).has_value());
  const std::vector<sim::KeyFileInfo> files = scene.KeyFiles(name);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].id, 0xD001u);
  EXPECT_EQ(files[1].id, 0xD002u);
  EXPECT_EQ(files[2].id, 0xD003u);
  std::vector<uint8_t> factory(32, 0);
  std::copy_n("factory", 7, factory.begin());
  EXPECT_EQ(scene.ReadKeyFile(name, 0xD003), factory);
}

}  // namespace
}  // namespace kq::test
