// Button waits: each outcome of the key's policy, counted in polls, and presses from kqsim.

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

struct Poll {
  uint32_t status = 0;
  uint8_t state = 0;
  uint16_t tenths = 0;
};

Poll PollOnce(ZANT_HANDLE handle) {
  uint8_t buffer[32] = {};
  uint32_t length = sizeof buffer;
  Poll poll;
  poll.status = Zant().GetDevState(handle, buffer, &length, 4);
  poll.state = buffer[0];
  poll.tenths = static_cast<uint16_t>((buffer[1] << 8) | buffer[2]);
  return poll;
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
    if (countdown != 300) {
      const sim::SoftKey key = scene_.Key(name_);
      sim::KeyState state = scene_.State(name_);
      state.countdown = countdown;
      const platform::FileLock lock = key.Lock();
      ASSERT_TRUE(key.SaveState(state));
    }
    handle_ = std::make_unique<SoftKeyHandle>(scene_.ReaderName(name_));
    ASSERT_EQ(Zant().VerifyPIN(handle(), "12345678", 8), dev::kOk);
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
    const Poll poll = PollOnce(handle());
    ASSERT_EQ(poll.status, dev::kOk);
    EXPECT_EQ(poll.state, dev::kStateWaiting);
    EXPECT_EQ(poll.tenths, 300 - i);
  }
  EXPECT_EQ(FetchResult(handle()), dev::kSwConditionsNotSatisfied) << "nothing to fetch yet";
  EXPECT_TRUE(SlotPresent());
  EXPECT_EQ(PollOnce(handle()).state, dev::kStateOk);
  EXPECT_EQ(PollOnce(handle()).state, dev::kStateOk) << "the final state stays";
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

TEST_F(WaitingKey, ManualWaitsForAPressFromKqsim) {
  Start("manual");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(PollOnce(handle()).state, dev::kStateWaiting);
  }
  const CommandResult press = scene_.RunKqsim({"press", name_, "ok"});
  ASSERT_EQ(press.exitCode, 0) << press.err;
  EXPECT_EQ(PollOnce(handle()).state, dev::kStateOk);
  EXPECT_EQ(FetchResult(handle()), dev::kOk);
  EXPECT_FALSE(SlotPresent());
}

TEST_F(WaitingKey, PressMadeBeforeTheWaitDoesNotCount) {
  Start("manual:3");
  scene_.Press(name_, false);
  EXPECT_EQ(PollOnce(handle()).state, dev::kStateCancelled);
  // A new wait: the stale press from before it is dropped.
  scene_.ImportKeyPair(name_, {1, 0, "rsa1024-a"});
  scene_.Press(name_, true);
  ASSERT_EQ(Zant().DeleteRSAKey(handle(), 1, 0), dev::kSwWaitButton);
  uint32_t polls = 0;
  EXPECT_EQ(PollUntilEnded(handle(), &polls), dev::kStateTimedOut);
  EXPECT_EQ(polls, 4u);
}

TEST_F(WaitingKey, PolicyStepsAreTakenOnePerWaitAndTheLastRepeats) {
  Start("cancel:0,ok:0");
  EXPECT_EQ(PollOnce(handle()).state, dev::kStateCancelled);
  for (int round = 0; round < 2; ++round) {
    scene_.ImportKeyPair(name_, {1, 0, "rsa1024-a"});
    ASSERT_EQ(Zant().DeleteRSAKey(handle(), 1, 0), dev::kSwWaitButton);
    EXPECT_EQ(PollOnce(handle()).state, dev::kStateOk);
    EXPECT_EQ(FetchResult(handle()), dev::kOk);
  }
  EXPECT_EQ(scene_.State(name_).button, "ok:0");
}

TEST(SoftKeyButtons, PolicyNoneCompletesAtOnce) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "none", .keyPairs = {{1, 0, "rsa1024-a"}}});
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kOk);
  EXPECT_EQ(Zant().DeleteRSAKey(key.get(), 1, 0), dev::kOk);
  EXPECT_FALSE(scene.KeySlot(name, 1).has_value());
  uint8_t state[32] = {};
  uint32_t length = sizeof state;
  ASSERT_EQ(Zant().GetDevState(key.get(), state, &length, 4), dev::kOk);
  EXPECT_EQ(state[0], 0) << "no operation waits";
  EXPECT_EQ(Zant().GetDevState(key.get(), state, &length, 3), dev::kSwIncorrectP1P2);
  length = 2;
  EXPECT_EQ(Zant().GetDevState(key.get(), state, &length, 4), dev::kSwWrongLength);
}

}  // namespace
}  // namespace kq::test
