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
       {std::pair{State(2), 1}, std::pair{State(3), 2}, std::pair{State(4), 3},
        std::pair{State(5), 4}, std::pair{State(0), 4}}) {
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

TEST(PinTriesWarning, UnreadableStateIsAKeyError) {
  test::UiLogCapture log;
  FakeKey key({{0x6F00, 0, 0}});
  EXPECT_EQ(RunPinTriesWarning(key.handle(), 1, FakeKey::Ops()), WaitResult::kKeyError);
}

TEST(PinTriesWarning, SessionChangesAbortAtTheNextTick) {
  for (const uint32_t reason : {1U, 2U, 7U, 8U}) {
    FakeKey key({Waiting(300)});
    PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
    EXPECT_FALSE(logic.OnSessionChange(reason).ends);
    const platform::WaitStep step = logic.OnTimer();
    EXPECT_TRUE(step.ends) << reason;
    EXPECT_EQ(step.result, 2);
    EXPECT_EQ(key.polls.load(), 0);
  }
  for (const uint32_t reason : {0U, 3U, 4U, 5U, 6U}) {
    FakeKey key({Waiting(300)});
    PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
    logic.OnSessionChange(reason);
    EXPECT_FALSE(logic.OnTimer().ends) << reason;
  }
  FakeKey key({Waiting(300)});
  PinTriesWarningLogic logic(FakeKey::Ops(), key.handle());
  EXPECT_FALSE(logic.OnQueryEndSession().ends);
  EXPECT_EQ(logic.OnTimer().result, 2);
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
