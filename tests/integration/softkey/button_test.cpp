// The button waits the product polls: each outcome of the key's policy counted in polls, a press
// from kqsim, and PIN verification, which waits for the button after a wrong try; and the soft
// PIN-entry library, whose answers come from KQSIM_PIN and whose statuses the product's login maps.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

uint32_t FetchResult(ZANT_HANDLE handle) {
  uint8_t result[32];
  uint32_t length = sizeof result;
  return Zant().GetData(handle, result, &length, 0);
}

// A slot deletion waits under each policy; the tenths left count down one a poll.
TEST(SoftKeyButton, EachPolicyEndsTheWaitAsItSays) {
  struct Case {
    const char* policy;
    uint8_t end;
    uint32_t polls;
    uint32_t fetched;
    int tenths;    // shown at the first poll
    bool pressOk;  // `kqsim press KEY ok` after the first poll
  };
  const Case cases[] = {
      {"ok:3", dev::kStateOk, 4, dev::kOk, 300, false},
      {"cancel:2", dev::kStateCancelled, 3, dev::kSwConditionsNotSatisfied, 300, false},
      {"timeout:5", dev::kStateTimedOut, 6, dev::kSwConditionsNotSatisfied, 5, false},
      {"fail:0", dev::kStateFailed, 1, dev::kSwUnknown, 300, false},
      {"manual:9", dev::kStateOk, 2, dev::kOk, 9, true},
  };
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  SoftKeyHandle key(scene.ReaderName(name));
  ASSERT_EQ(Zant().VerifyPIN(key.get(), "12345678", 8), dev::kOk);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.policy);
    scene.SetButton(name, c.policy);
    scene.ImportKeyPair(name, {1, 0, "rsa1024-a"});
    ASSERT_EQ(Zant().DeleteRSAKey(key.get(), 1, 0), dev::kSwWaitButton);
    EXPECT_EQ(FetchResult(key.get()), dev::kSwConditionsNotSatisfied) << "nothing to fetch yet";
    uint8_t state[3] = {dev::kStateWaiting};
    uint32_t polls = 0;
    for (; state[0] == dev::kStateWaiting && polls < 20; ++polls) {
      if (c.pressOk && polls == 1) {
        ASSERT_EQ(scene.RunKqsim({"press", name, "ok"}).exitCode, 0);
      }
      uint32_t length = sizeof state;
      ASSERT_EQ(Zant().GetDevState(key.get(), state, &length, 4), dev::kOk);
      if (state[0] == dev::kStateWaiting) {
        EXPECT_EQ((state[1] << 8) | state[2], c.tenths - static_cast<int>(polls));
      }
    }
    EXPECT_EQ(state[0], c.end);
    EXPECT_EQ(polls, c.polls);
    EXPECT_EQ(scene.KeySlot(name, 1).has_value(), c.fetched != dev::kOk) << "ran only on OK";
    EXPECT_EQ(FetchResult(key.get()), c.fetched);
  }
}

TEST(SoftKeyButton, VerificationAfterAWrongPinWaitsAndCountsTriesToALock) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 4, .button = "ok:0"});
  SoftKeyHandle key(scene.ReaderName(name));
  EXPECT_EQ(Zant().VerifyPIN(key.get(), "00000000", 8), 0x6303u);
  const auto afterButton = [&key](const char* pin) {
    EXPECT_EQ(Zant().VerifyPIN(key.get(), pin, 8), dev::kSwWaitButton);  // exactly 0x6100
    EXPECT_EQ(PollUntilEnded(key.get()), dev::kStateOk);
    return FetchResult(key.get());
  };
  EXPECT_EQ(afterButton("11111111"), 0x6302u);
  EXPECT_EQ(afterButton("12345678"), dev::kOk);
  scene.SetPinState(name, 1, false);
  EXPECT_EQ(afterButton("22222222"), dev::kSwPinLocked);
}

TEST(SoftPinEntry, AnswersInOrderWaitsOnTheKeyAndClosesItsHandle) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey({.tries = 6, .button = "ok:0"});
  UiLoginRequest request{};
  std::strncpy(request.readerName, scene.ReaderName(name).c_str(), sizeof request.readerName - 1);
  const auto login = [&request] { return SoftPinEntryLibrary::Instance().LoginA(&request); };
  scene.SetPinAnswers("cancel,00000000,11111111,unavailable,12345678");
  EXPECT_EQ(login(), pinentry::kCancelled);
  EXPECT_EQ(login(), 0xD0106305u);
  EXPECT_EQ(login(), 0xD0106304u) << "after a wrong PIN the library runs the button wait";
  EXPECT_EQ(login(), pinentry::kUnavailable);
  EXPECT_EQ(login(), pinentry::kOk);
  EXPECT_TRUE(scene.State(name).pinVerified);
  EXPECT_EQ(login(), pinentry::kOk) << "the last answer repeats";

  // A wait that ends on the key: C, a timeout, a failure; then the lock.
  scene.SetPinAnswers("00000000,12345678");
  EXPECT_EQ(login(), 0xD0106305u);
  const std::pair<const char*, uint32_t> ends[] = {{"cancel:0", pinentry::kEndedOnKey1},
                                                   {"timeout:0", pinentry::kEndedOnKey2},
                                                   {"fail:0", pinentry::kEndedOnKey3}};
  for (const auto& [policy, status] : ends) {
    scene.SetButton(name, policy);
    EXPECT_EQ(login(), status) << policy;
  }
  scene.SetPinState(name, 0, false);
  EXPECT_EQ(login(), pinentry::kLocked);
  EXPECT_EQ(scene.OpenHandles(name), 0);
}

}  // namespace
}  // namespace kq::test
