// The token and key choosers: the answer queue of KQCSP_UI_CHOICES, the rows they list in the
// UI log, the warning of an OK with nothing selected, and cancel.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/utf.h"
#include "platform/choice_queue.h"
#include "support/scoped_env.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"
#include "ui/key_chooser.h"
#include "ui/token_chooser.h"

namespace kq::ui {
namespace {

using platform::ChoiceAnswer;
using Lines = std::vector<std::string>;

class Chooser : public ::testing::Test {
 protected:
  void SetUp() override {
    // With no queued answer a chooser would ask a person at a terminal; tests have none.
    if (isatty(STDIN_FILENO) != 0) {
      const int null = open("/dev/null", O_RDONLY);
      ASSERT_GE(null, 0);
      dup2(null, STDIN_FILENO);
      close(null);
    }
    // The queue restarts only when the variable changes; a look while it is unset makes every
    // test's value a new queue, even one equal to the last test's.
    const test::ScopedEnv unset("KQCSP_UI_CHOICES", std::nullopt);
    ASSERT_FALSE(platform::NextQueuedChoice());
  }

  static std::string Warning(uint32_t id) {
    return "MSGBOX " + Utf16ToUtf8(GetMessage(msg::kTipCaption)) + "\t" +
           Utf16ToUtf8(GetMessage(id));
  }

  test::UiLogCapture log_;
};

// Answers are read as a user types them ("CANCEL", blanks around a row) and queued in order.
TEST_F(Chooser, AnswersAreParsedAsAUserTypesThemAndQueuedInOrder) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", " 12 , CANCEL,,x,-1,1.5,1 2,9999999999");
  EXPECT_EQ(platform::NextQueuedChoice()->row, 12U);
  EXPECT_EQ(platform::NextQueuedChoice()->kind, ChoiceAnswer::Kind::kCancel);
  for (int unreadable = 0; unreadable < 5; ++unreadable) {
    EXPECT_EQ(platform::NextQueuedChoice()->kind, ChoiceAnswer::Kind::kUnreadable) << unreadable;
  }
  EXPECT_FALSE(platform::NextQueuedChoice());
  choices.Set("1");
  EXPECT_EQ(platform::NextQueuedChoice()->row, 1U);
}

// Token rows: a code page 936 label ("设备") and a serial with their padding; texts from the key
// that would break the log's lines. Key rows: subject, container, type and length.
TEST_F(Chooser, RowsWarningsTheChosenRowAndCancel) {
  const std::vector<TokenChoice> tokens = {{std::string("\xC9\xE8\xB1\xB8\0\0", 6), "SN0001"},
                                           {"tab\there\nnext", std::string("a\rb\0\0", 5)}};
  const Lines rows = {"CHOOSE token", "ROW 1\t\xE8\xAE\xBE\xE5\xA4\x87\tSN0001",
                      "ROW 2\ttab here next\ta b"};
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "3,0,what,2,cancel,7,2");
  EXPECT_EQ(ChooseToken(tokens), 1U);
  EXPECT_FALSE(ChooseToken(tokens));
  const std::vector<KeyChoice> keys = {
      {"CN=Signer,O=Bank", "c0ffee00-0000-0000-0000-000000000001", 2, 2048}, {"", "", 1, 1024}};
  EXPECT_EQ(ChooseKeyToOverwrite(keys), 1U);
  choices.Set(std::nullopt);
  EXPECT_FALSE(ChooseToken({}));  // no answer left: cancelled
  const std::string warning = Warning(msg::kNoTokenSelected);
  Lines expected = rows;
  expected.insert(expected.end(), {warning, warning, warning, "CHOSEN 2"});
  expected.insert(expected.end(), rows.begin(), rows.end());
  expected.insert(
      expected.end(),
      {"CHOSEN cancel", "CHOOSE key",
       "ROW 1\tCN=Signer,O=Bank\tc0ffee00-0000-0000-0000-000000000001\t" +
           Utf16ToUtf8(GetMessage(msg::kRsaSignatureLabel)) + "\t2048",
       "ROW 2\t\t\t" + Utf16ToUtf8(GetMessage(msg::kRsaExchangeLabel)) + "\t1024",
       Warning(msg::kSelectKeyToOverwrite), "CHOSEN 2", "CHOOSE token", "CHOSEN cancel"});
  EXPECT_EQ(log_.Lines(), expected);
}

}  // namespace
}  // namespace kq::ui
