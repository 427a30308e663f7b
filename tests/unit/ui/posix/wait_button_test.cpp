// The button wait and the PIN-tries warning: the key's states and results, the UI log lines, the
// exit request and the session rules.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "common/codes_device.h"
#include "common/utf.h"
#include "platform/exit_request.h"
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"
#include "ui/confirmation_wait.h"
#include "ui/key_state.h"
#include "ui/pin_tries_warning.h"

namespace kq::test {

// A key that answers the waits' polls from a script; its address is the device handle and the
// last reading repeats. status is that of ZANT_GetDevState.
struct FakeReading {
  uint32_t status = 0;
  uint8_t state = 1;
  uint16_t tenthsLeft = 0;
};
FakeReading Waiting(uint16_t tenths) {
  return {0, 1, tenths};
}
FakeReading State(uint8_t state) {
  return {0, state, 0};
}

struct FakeKey {
  explicit FakeKey(std::vector<FakeReading> readings) : script(std::move(readings)) {}
  ZANT_HANDLE handle() { return this; }
  static const ui::KeyStateOps& Ops() {
    static const ui::KeyStateOps ops{GetDevState, nullptr};
    return ops;
  }
  static uint32_t GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                              uint32_t request) {
    auto& key = *static_cast<FakeKey*>(handle);
    const size_t index = static_cast<size_t>(key.polls.fetch_add(1));
    const FakeReading& reading = key.script[std::min(index, key.script.size() - 1)];
    key.lastRequest = request;
    key.lastLengthIn = *length;
    if (reading.status == 0) {
      buffer[0] = reading.state;
      buffer[1] = static_cast<uint8_t>(reading.tenthsLeft >> 8);
      buffer[2] = static_cast<uint8_t>(reading.tenthsLeft & 0xFF);
    }
    return reading.status;
  }

  std::vector<FakeReading> script;
  std::atomic<int> polls{0};
  uint32_t lastRequest = 0;
  uint32_t lastLengthIn = 0;
};

}  // namespace kq::test

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

// A key that never decides (stuck at one reading, or in a state the key does not define) ends the
// wait as timed out once its longest countdown and 30 s more have passed in ticks.
TEST(ButtonWait, AKeyThatNeverDecidesTimesOutAfterItsCountdownAndAGrace) {
  const std::pair<std::vector<test::FakeReading>, int> cases[] = {
      {{Waiting(50), Waiting(40)}, 50 + 300},
      {{State(6)}, 300},
      {{Waiting(20), State(7)}, 20 + 300},
  };
  for (const auto& [script, ticks] : cases) {
    FakeKey key(script);
    ButtonWaitLogic logic(FakeKey::Ops(), key.handle());
    platform::WaitStep step;
    int tick = 0;
    do {
      step = logic.OnTimer();
      ++tick;
    } while (!step.ends && tick < 100000);
    EXPECT_EQ(tick, ticks + 1);
    EXPECT_EQ(step.result, 3);
  }
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

TEST(PinTriesWarning, ShowsItsWarningOnceAndEndsWithTheKeysResult) {
  const std::pair<test::FakeReading, int> cases[] = {
      {State(3), 2}, {State(4), 3}, {State(0), 4}, {{0x6F00, 0, 0}, 4}};
  for (const auto& [last, result] : cases) {
    test::UiLogCapture log;
    FakeKey key({Waiting(300), Waiting(200), State(9), Waiting(100), last});
    EXPECT_EQ(static_cast<int>(RunPinTriesWarning(key.handle(), 3, FakeKey::Ops())), result);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "WAIT pin " + Utf16ToUtf8(GetMessage(msg::kPinRetryWarningCaption)) +
                                   "\t" + Utf16ToUtf8(FormatMessage(msg::kPinRetryWarning, 3)),
                               "WAITEND pin " + std::to_string(result)}));
  }
}

// Session changes and the end-of-session query (9) abort at the next tick; the exit request (10)
// does not, even while the warning runs and listens like every wait.
TEST(PinTriesWarning, SessionChangesAbortAtTheNextTickButTheExitRequestDoesNot) {
  test::UiLogCapture log;
  for (uint32_t reason = 0; reason <= 10; ++reason) {
    FakeKey key({Waiting(300)});
    PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
    EXPECT_FALSE((reason == 10  ? logic.OnExitRequest()
                  : reason == 9 ? logic.OnQueryEndSession()
                                : logic.OnSessionChange(reason))
                     .ends);
    const bool aborts = reason == 1 || reason == 2 || reason == 7 || reason == 8 || reason == 9;
    const platform::WaitStep step = logic.OnTimer();
    EXPECT_EQ(step.ends, aborts) << reason;
    EXPECT_EQ(key.polls.load(), aborts ? 0 : 1) << reason;
    EXPECT_TRUE(!aborts || step.result == 2) << reason;
  }
  std::vector<test::FakeReading> script(40, Waiting(300));
  script.push_back(State(2));
  FakeKey slow(script);
  auto wait = std::async(std::launch::async,
                         [&] { return RunPinTriesWarning(slow.handle(), 2, FakeKey::Ops()); });
  ASSERT_TRUE(log.AwaitWaitSockets(1));
  EXPECT_EQ(platform::SendExitRequestToAllWaits(), 1);
  ASSERT_EQ(wait.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(wait.get(), WaitResult::kConfirmed);
  EXPECT_EQ(slow.polls.load(), 41);
  EXPECT_TRUE(log.WaitSockets().empty());
}

}  // namespace
}  // namespace kq::ui
