// The PIN-tries warning: its single UI log line, its results, the session rules, and the exit
// request that does not concern it.

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "common/utf.h"
#include "platform/exit_request.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"
#include "ui/pin_tries_warning.h"
#include "wait_fake_key.h"

namespace kq::ui {
namespace {

using test::FakeKey;
using test::State;
using test::Waiting;

TEST(PinTriesWarning, ShowsItsWarningOnceAndEndsWithTheKeysResult) {
  for (const auto& [last, result] :
       {std::pair{State(3), 2}, std::pair{State(4), 3}, std::pair{State(0), 4}}) {
    test::UiLogCapture log;
    FakeKey key({Waiting(300), Waiting(200), State(9), Waiting(100), last});
    EXPECT_EQ(static_cast<int>(RunPinTriesWarning(key.handle(), 3, FakeKey::Ops())), result);
    const std::string warning = Utf16ToUtf8(FormatMessage(msg::kPinRetryWarning, 3));
    EXPECT_NE(warning.find('3'), std::string::npos);
    EXPECT_EQ(warning.find("%u"), std::string::npos);
    const std::vector<std::string> expected = {
        "WAIT pin " + Utf16ToUtf8(GetMessage(msg::kPinRetryWarningCaption)) + "\t" + warning,
        "WAITEND pin " + std::to_string(result)};
    EXPECT_EQ(log.Lines(), expected);
  }
}

TEST(PinTriesWarning, UnreadableStateIsAKeyErrorAndSessionChangesAbortAtTheNextTick) {
  test::UiLogCapture log;
  FakeKey unreadable({{0x6F00, 0, 0}});
  EXPECT_EQ(RunPinTriesWarning(unreadable.handle(), 1, FakeKey::Ops()), WaitResult::kKeyError);
  for (uint32_t reason = 0; reason <= 9; ++reason) {  // 9: the end-of-session query
    FakeKey key({Waiting(300)});
    PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
    EXPECT_FALSE((reason == 9 ? logic.OnQueryEndSession() : logic.OnSessionChange(reason)).ends);
    const bool aborts = reason == 1 || reason == 2 || reason == 7 || reason == 8 || reason == 9;
    const platform::WaitStep step = logic.OnTimer();
    EXPECT_EQ(step.ends, aborts) << reason;
    if (aborts) {
      EXPECT_EQ(step.result, 2);
      EXPECT_EQ(key.polls.load(), 0);
    }
  }
}

TEST(PinTriesWarning, ExitRequestDoesNotEndIt) {
  test::UiLogCapture log;
  FakeKey key({Waiting(300)});
  PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
  EXPECT_FALSE(logic.OnExitRequest().ends);
  EXPECT_FALSE(logic.OnTimer().ends);
  EXPECT_EQ(PinTriesWarningView(2).timerPeriodMs, 50U);
  EXPECT_TRUE(PinTriesWarningView(2).countdownLabel.empty());

  // A running warning listens like every wait, but the request leaves it open.
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
