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

// An undefined state (6) keeps waiting without a countdown line; the state is read with request 4.
TEST(ButtonWait, EachOutcomeEndsWithItsResultAndLogsTheCountdown) {
  const std::pair<test::FakeReading, WaitResult> cases[] = {
      {State(2), WaitResult::kConfirmed},
      {State(3), WaitResult::kCancelled},
      {State(4), WaitResult::kTimedOut},
      {State(5), WaitResult::kKeyError},
      {State(0), WaitResult::kKeyError},
      {{dev::kSwWrongLength, 0, 0}, WaitResult::kKeyError},
      {{dev::kMissingOperation, 0, 0}, WaitResult::kKeyError},
  };
  for (const auto& [last, result] : cases) {
    test::UiLogCapture log;
    FakeKey key({Waiting(600), Waiting(595), Waiting(590), State(6), Waiting(589), last});
    EXPECT_EQ(RunButtonWait(key.handle(), kWaitSignature, FakeKey::Ops()), result);
    EXPECT_EQ(key.polls.load(), 6);
    EXPECT_EQ(key.lastRequest, 4U);
    EXPECT_EQ(key.lastLengthIn, 32U);
    const std::string head = "WAIT 0 " + Utf16ToUtf8(GetMessage(msg::kSignTitle)) + "\t";
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{head + "0", head + "60", head + "59", head + "58",
                                        "WAITEND 0 " + std::to_string(static_cast<int>(result))}));
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
  // The exit request ends the wait at the next tick, without another poll of the key.
  EXPECT_FALSE(logic.OnExitRequest().ends);
  const int polls = key.polls.load();
  const platform::WaitStep step = logic.OnTimer();
  EXPECT_TRUE(step.ends);
  EXPECT_EQ(step.result, 2);
  EXPECT_EQ(key.polls.load(), polls);
}

// A wait opens in the language of the setting; the PIN-tries warning keeps the last dialog's.
TEST(ButtonWait, OpensInTheLanguageOfTheSettingAndThePinWarningKeepsIt) {
  test::TempRegistry registry(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000c04"));
  test::UiLogCapture log;
  FakeKey key({State(2)});
  EXPECT_EQ(RunButtonWait(key.handle(), kWaitTransactionSigning, FakeKey::Ops()),
            WaitResult::kConfirmed);
  registry.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000409"));
  EXPECT_EQ(RunPinTriesWarning(key.handle(), 2, FakeKey::Ops()), WaitResult::kConfirmed);
  EXPECT_EQ(RunButtonWait(key.handle(), kWaitPinChange, FakeKey::Ops()), WaitResult::kConfirmed);
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "WAIT 1 請確認交易信息\t0");
  EXPECT_EQ(lines[2].rfind("WAIT pin Vexa口令重試次數提示\t", 0), 0u);
  EXPECT_EQ(lines[4], "WAIT 5 Change PIN,please confirm\t0");
}

}  // namespace
}  // namespace kq::ui
