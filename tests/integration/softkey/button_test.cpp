// Button waits: each outcome of the key's policy, counted in polls, presses from kqsim, and the
// PIN's tries, whose verification waits for the button after a wrong one.

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

// The state byte and the tenths of a second left, from one poll.
std::pair<uint8_t, uint16_t> PollOnce(ZANT_HANDLE handle) {
  uint8_t buffer[32] = {};
  uint32_t length = sizeof buffer;
  EXPECT_EQ(Zant().GetDevState(handle, buffer, &length, 4), dev::kOk);
  return {buffer[0], static_cast<uint16_t>((buffer[1] << 8) | buffer[2])};
}

uint32_t FetchResult(ZANT_HANDLE handle) {
  uint8_t result[32];
  uint32_t length = sizeof result;
  return Zant().GetData(handle, result, &length, 0);
}

// A key waiting on a slot deletion, the operation the policy is tried on.
class WaitingKey : public ::testing::Test {
 protected:
  void Start(const std::string& policy, uint32_t countdown = 300) {
    name_ = scene_.AddKey({.button = policy, .keyPairs = {{1, 0, "rsa1024-a"}}});
    const sim::SoftKey key = scene_.Key(name_);
    sim::KeyState state = scene_.State(name_);
    state.countdown = countdown;
    {
      const platform::FileLock lock = key.Lock();
      ASSERT_TRUE(key.SaveState(state));
    }
    handle_ = std::make_unique<SoftKeyHandle>(scene_.ReaderName(name_));
    ASSERT_EQ(Zant().VerifyPIN(handle(), "12345678", 8), dev::kOk);
    Delete();
  }
  void Delete() {
    scene_.ImportKeyPair(name_, {1, 0, "rsa1024-a"});
    ASSERT_EQ(Zant().DeleteRSAKey(handle(), 1, 0), dev::kSwWaitButton);
  }
  [[nodiscard]] ZANT_HANDLE handle() const { return handle_->get(); }
  [[nodiscard]] bool SlotPresent() const { return scene_.KeySlot(name_, 1).has_value(); }

  SoftKeyScene scene_;
  std::string name_;
  std::unique_ptr<SoftKeyHandle> handle_;
};

TEST_F(WaitingKey, OkAfterNPollsCountingDownTenths) {
  Start("ok:3");
  for (uint16_t i = 0; i < 3; ++i) {
    EXPECT_EQ(PollOnce(handle()), std::make_pair(dev::kStateWaiting, uint16_t(300 - i)));
  }
  EXPECT_EQ(FetchResult(handle()), dev::kSwConditionsNotSatisfied) << "nothing to fetch yet";
  EXPECT_TRUE(SlotPresent());
  EXPECT_EQ(PollOnce(handle()).first, dev::kStateOk);
  EXPECT_EQ(PollOnce(handle()).first, dev::kStateOk) << "the final state stays";
  EXPECT_FALSE(SlotPresent()) << "the operation ran when OK was seen";
  EXPECT_EQ(FetchResult(handle()), dev::kOk);
}

// The outcomes other than OK leave the slot in place; the countdown ends a wait that outlasts it.
TEST_F(WaitingKey, OutcomesOtherThanOkLeaveTheKeyAsItWas) {
  struct Case {
    const char* policy;
    uint32_t countdown;
    uint8_t end;
    uint32_t polls;
    uint32_t fetched;
  };
  const Case cases[] = {
      {"cancel:2", 300, dev::kStateCancelled, 3, dev::kSwConditionsNotSatisfied},
      {"timeout:5", 300, dev::kStateTimedOut, 6, dev::kSwConditionsNotSatisfied},
      {"ok:50", 10, dev::kStateTimedOut, 11, dev::kSwConditionsNotSatisfied},
      {"fail:0", 300, dev::kStateFailed, 1, dev::kSwUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.policy);
    Start(c.policy, c.countdown);
    uint32_t polls = 0;
    EXPECT_EQ(PollUntilEnded(handle(), &polls), c.end);
    EXPECT_EQ(polls, c.polls);
    EXPECT_TRUE(SlotPresent());
    EXPECT_EQ(FetchResult(handle()), c.fetched);
  }
}

// A manual wait ends on a press from kqsim; a press made before a wait does not count; policy
// steps are taken one per wait and the last repeats.
TEST_F(WaitingKey, PressesAndPolicySteps) {
  Start("manual:3");
  EXPECT_EQ(PollOnce(handle()).first, dev::kStateWaiting);
  const CommandResult press = scene_.RunKqsim({"press", name_, "ok"});
  ASSERT_EQ(press.exitCode, 0) << press.err;
  EXPECT_EQ(PollOnce(handle()).first, dev::kStateOk);
  EXPECT_FALSE(SlotPresent());
  scene_.Press(name_, true);
  Delete();
  uint32_t polls = 0;
  EXPECT_EQ(PollUntilEnded(handle(), &polls), dev::kStateTimedOut);
  EXPECT_EQ(polls, 4u);

  scene_.SetButton(name_, "cancel:0,ok:0");
  for (const uint8_t end : {dev::kStateCancelled, dev::kStateOk, dev::kStateOk}) {
    Delete();
    EXPECT_EQ(PollOnce(handle()).first, end);
  }
  EXPECT_EQ(scene_.State(name_).button, "ok:0");

  scene_.SetButton(name_, "none");
  scene_.ImportKeyPair(name_, {1, 0, "rsa1024-a"});
  EXPECT_EQ(Zant().DeleteRSAKey(handle(), 1, 0), dev::kOk);
  EXPECT_FALSE(SlotPresent());
  uint8_t state[2] = {};
  uint32_t length = sizeof state;
  EXPECT_EQ(Zant().GetDevState(handle(), state, &length, 4), dev::kSwWrongLength);
}

TEST(SoftKeyPin, WrongPinsCountDownToALockAndTheRightOneRestoresTheTries) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 4, .button = "ok:0"});
  SoftKeyHandle key(scene.ReaderName(name));
  const auto triesLeft = [&key] {
    uint8_t info[3] = {};
    uint32_t length = 3;
    EXPECT_EQ(Zant().GetPINInfo(key.get(), info, &length, 0), dev::kOk);
    return info[2];
  };
  // After a wrong try every verification waits for the button, exactly 0x6100.
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "00000000", 8), 0x6303u);
  const auto afterButton = [&key](const char* pin) {
    EXPECT_EQ(Zant().VerifyPIN(key.get(), pin, 8), dev::kSwWaitButton);
    EXPECT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
    return FetchResult(key.get());
  };
  EXPECT_EQ(afterButton("11111111"), 0x6302u);
  EXPECT_EQ(afterButton("12345678"), dev::kOk);
  EXPECT_EQ(triesLeft(), 4);
  scene.SetPinState(name, 1, false);
  EXPECT_EQ(afterButton("22222222"), dev::kSwPinLocked);
  EXPECT_EQ(triesLeft(), 0);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kSwPinLocked);
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "1234567", 7), dev::kSwWrongLength);
}

}  // namespace
}  // namespace kq::test
