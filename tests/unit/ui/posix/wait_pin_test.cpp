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
