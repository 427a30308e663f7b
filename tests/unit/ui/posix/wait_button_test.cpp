// The button wait: the key's states and results, the countdown in the UI log, the exit request
// and the session rules.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codes_device.h"
#include "common/utf.h"
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"
#include "ui/confirmation_wait.h"
#include "ui/pin_tries_warning.h"
#include "wait_fake_key.h"

namespace kq::ui {
namespace {

using test::FakeKey;
using test::State;
using test::Waiting;

TEST(KeyState, StatesMapToResultsAndTheStateIsReadWithRequestFour) {
  const std::optional<WaitResult> results[] = {WaitResult::kKeyError,  std::nullopt,
                                               WaitResult::kConfirmed, WaitResult::kCancelled,
                                               WaitResult::kTimedOut,  WaitResult::kKeyError};
  for (int state = 0; state <= 255; ++state) {
    EXPECT_EQ(ResultOfKeyState(static_cast<uint8_t>(state)),
              state < 6 ? results[state] : std::nullopt)
        << state;
  }
  FakeKey key({Waiting(0x0009), Waiting(0x0258), {dev::kSwConditionsNotSatisfied, 0, 0}});
  const auto first = ReadKeyState(FakeKey::Ops(), key.handle());
  ASSERT_TRUE(first);
  EXPECT_EQ(key.lastRequest, 4U);
  EXPECT_EQ(key.lastLengthIn, 32U);
  EXPECT_EQ(first->state, 1);
  EXPECT_EQ(SecondsShown(first->tenthsLeft), 0);
  EXPECT_EQ(SecondsShown(ReadKeyState(FakeKey::Ops(), key.handle())->tenthsLeft), 60);
  EXPECT_FALSE(ReadKeyState(FakeKey::Ops(), key.handle()));
  EXPECT_FALSE(ReadKeyState(KeyStateOps{nullptr, nullptr}, key.handle()));
}

TEST(ButtonWait, EachOutcomeEndsWithItsResultAndLogsTheCountdown) {
  struct Case {
    test::FakeReading last;
    WaitResult result;
  };
  const std::vector<Case> cases = {
      {State(2), WaitResult::kConfirmed},
      {State(3), WaitResult::kCancelled},
      {State(4), WaitResult::kTimedOut},
      {State(5), WaitResult::kKeyError},
      {State(0), WaitResult::kKeyError},
      {{dev::kSwWrongLength, 0, 0}, WaitResult::kKeyError},
      {{dev::kMissingOperation, 0, 0}, WaitResult::kKeyError},
  };
  for (const Case& c : cases) {
    test::UiLogCapture log;
    FakeKey key({Waiting(600), Waiting(595), Waiting(590), State(6), Waiting(589), c.last});
    EXPECT_EQ(RunButtonWait(key.handle(), kWaitSignature, FakeKey::Ops()), c.result);
    EXPECT_EQ(key.polls.load(), 6);
    const std::string head = "WAIT 0 " + Utf16ToUtf8(GetMessage(msg::kSignTitle)) + "\t";
    const std::vector<std::string> expected = {
        head + "0", head + "60", head + "59", head + "58",
        "WAITEND 0 " + std::to_string(static_cast<int>(c.result))};
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_TRUE(log.WaitSockets().empty());
  }
}

TEST(ButtonWait, SessionRulesAndExitRequest) {
  EXPECT_EQ(ButtonWaitView(kWaitKeyDeletion).timerPeriodMs, 100U);
  FakeKey key({Waiting(300)});
  ButtonWaitLogic logic(FakeKey::Ops(), key.handle());
  EXPECT_EQ(logic.OnTimer().secondsShown, 30);
  for (uint32_t reason = 0; reason <= 8; ++reason) {
    const bool ends =
        reason == platform::kSessionConsoleDisconnect || reason == platform::kSessionLock;
    const platform::WaitStep step = logic.OnSessionChange(reason);
    EXPECT_EQ(step.ends, ends) << reason;
    EXPECT_EQ(step.result, ends ? 2 : step.result) << reason;
  }
  EXPECT_EQ(logic.OnQueryEndSession().result, 2);
  EXPECT_TRUE(logic.OnQueryEndSession().ends);

  // The exit request ends the wait at the next tick, without another poll of the key.
  EXPECT_FALSE(logic.OnExitRequest().ends);
  const int polls = key.polls.load();
  const platform::WaitStep step = logic.OnTimer();
  EXPECT_TRUE(step.ends);
  EXPECT_EQ(step.result, 2);
  EXPECT_EQ(key.polls.load(), polls);
}

TEST(ButtonWait, OpensInTheLanguageOfTheSettingAndThePinWarningKeepsIt) {
  test::TempRegistry registry(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000804"));
  test::UiLogCapture log;
  FakeKey key({State(2)});
  EXPECT_EQ(RunButtonWait(key.handle(), kWaitTransactionSigning, FakeKey::Ops()),
            WaitResult::kConfirmed);
  registry.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000c04"));
  EXPECT_EQ(RunButtonWait(key.handle(), kWaitKeyDeletion, FakeKey::Ops()), WaitResult::kConfirmed);
  // The PIN-tries warning does not read the setting: it keeps the language of the last dialog.
  registry.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000409"));
  EXPECT_EQ(RunPinTriesWarning(key.handle(), 2, FakeKey::Ops()), WaitResult::kConfirmed);
  EXPECT_EQ(RunButtonWait(key.handle(), kWaitPinChange, FakeKey::Ops()), WaitResult::kConfirmed);
  const std::vector<std::string> expected = {
      "WAIT 1 请确认交易信息\t0",
      "WAITEND 1 1",
      "WAIT 4 即將删除密鑰,請確認\t0",
      "WAITEND 4 1",
      "WAIT pin "
      "Vexa口令重試次數提示\t連續口令輸入錯誤，剩餘2次口令驗證機會，請在確認無誤後再在Vexa上按"
      "\"確認\"鍵！",
      "WAITEND pin 1",
      "WAIT 5 Change PIN,please confirm\t0",
      "WAITEND 5 1"};
  EXPECT_EQ(log.Lines(), expected);
}

}  // namespace
}  // namespace kq::ui
