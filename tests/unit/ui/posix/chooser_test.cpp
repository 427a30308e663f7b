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
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"
#include "ui/catalogue.h"
#include "ui/key_chooser.h"
#include "ui/token_chooser.h"

namespace kq::ui {
namespace {

using platform::ChoiceAnswer;

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

  static std::string Text(uint32_t id) { return Utf16ToUtf8(GetMessage(id)); }

  test::UiLogCapture log_;
};

TEST_F(Chooser, AnswersAreParsedAsAUserTypesThem) {
  EXPECT_EQ(platform::ParseChoice("3").kind, ChoiceAnswer::Kind::kRow);
  EXPECT_EQ(platform::ParseChoice(" 12 \n").row, 12U);
  EXPECT_EQ(platform::ParseChoice("Cancel").kind, ChoiceAnswer::Kind::kCancel);
  EXPECT_EQ(platform::ParseChoice("CANCEL\n").kind, ChoiceAnswer::Kind::kCancel);
  for (const char* unreadable : {"", "x", "-1", "1.5", "1 2", "9999999999"}) {
    EXPECT_EQ(platform::ParseChoice(unreadable).kind, ChoiceAnswer::Kind::kUnreadable)
        << unreadable;
  }
}

TEST_F(Chooser, QueueIsConsumedInOrderAndRestartsWhenTheVariableChanges) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "2, cancel,,x");
  EXPECT_EQ(platform::NextQueuedChoice()->row, 2U);
  EXPECT_EQ(platform::NextQueuedChoice()->kind, ChoiceAnswer::Kind::kCancel);
  EXPECT_EQ(platform::NextQueuedChoice()->kind, ChoiceAnswer::Kind::kUnreadable);
  EXPECT_FALSE(platform::NextQueuedChoice());
  EXPECT_FALSE(platform::NextQueuedChoice());
  choices.Set("1");
  EXPECT_EQ(platform::NextQueuedChoice()->row, 1U);
  EXPECT_FALSE(platform::NextQueuedChoice());
  choices.Set(std::nullopt);
  EXPECT_FALSE(platform::NextQueuedChoice());
}

TEST_F(Chooser, TokenRowsShowLabelAndSerialAndTheChosenRowComesBack) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "2");
  // A label of the key in code page 936 ("设备"), with the zero padding it was read with.
  const std::vector<TokenChoice> tokens = {
      {std::string("\xC9\xE8\xB1\xB8\0\0", 6), "SN0001"},
      {"Second key", std::string("SN0002\0\0", 8)},
  };
  EXPECT_EQ(ChooseToken(tokens), 1U);
  const std::vector<std::string> expected = {"CHOOSE token",
                                             "ROW 1\t\xE8\xAE\xBE\xE5\xA4\x87\tSN0001",
                                             "ROW 2\tSecond key\tSN0002", "CHOSEN 2"};
  EXPECT_EQ(log_.Lines(), expected);
}

TEST_F(Chooser, RowOutsideTheListWarnsAndKeepsTheChooserOpen) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "3,0,what,1");
  const std::vector<TokenChoice> tokens = {{"A", "1"}, {"B", "2"}};
  EXPECT_EQ(ChooseToken(tokens), 0U);
  const std::string warning =
      "MSGBOX " + Text(msg::kTipCaption) + "\t" + Text(msg::kNoTokenSelected);
  const std::vector<std::string> expected = {"CHOOSE token", "ROW 1\tA\t1", "ROW 2\tB\t2", warning,
                                             warning,        warning,       "CHOSEN 1"};
  EXPECT_EQ(log_.Lines(), expected);
}

TEST_F(Chooser, CancelOrNoAnswerLeftCancels) {
  const std::vector<TokenChoice> tokens = {{"A", "1"}, {"B", "2"}};
  {
    test::ScopedEnv choices("KQCSP_UI_CHOICES", "cancel");
    EXPECT_FALSE(ChooseToken(tokens));
  }
  {
    test::ScopedEnv choices("KQCSP_UI_CHOICES", std::nullopt);
    EXPECT_FALSE(ChooseToken(tokens));
  }
  // An empty list can only warn, then cancel once the answers run out.
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "1");
  EXPECT_FALSE(ChooseToken({}));
  const std::vector<std::string> expected = {
      "CHOOSE token", "ROW 1\tA\t1",
      "ROW 2\tB\t2",  "CHOSEN cancel",
      "CHOOSE token", "ROW 1\tA\t1",
      "ROW 2\tB\t2",  "CHOSEN cancel",
      "CHOOSE token", "MSGBOX " + Text(msg::kTipCaption) + "\t" + Text(msg::kNoTokenSelected),
      "CHOSEN cancel"};
  EXPECT_EQ(log_.Lines(), expected);
}

TEST_F(Chooser, TextsFromTheKeyCannotBreakTheLogLines) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "1");
  const std::vector<TokenChoice> tokens = {{"tab\there\nnext", "a\rb"}};
  EXPECT_EQ(ChooseToken(tokens), 0U);
  EXPECT_EQ(log_.Lines().at(1), "ROW 1\ttab here next\ta b");
}

TEST_F(Chooser, KeyRowsShowSubjectContainerTypeAndLength) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "cancel,2");
  const std::vector<KeyChoice> keys = {
      {"CN=Signer,O=Bank", "c0ffee00-0000-0000-0000-000000000001", 2, 2048},
      {"", "", 1, 1024},
      {"no cert", "c0ffee00-0000-0000-0000-000000000003", 0, 256},
  };
  EXPECT_FALSE(ChooseKeyToOverwrite(keys));
  EXPECT_EQ(ChooseKeyToOverwrite(keys), 1U);
  const std::string sign = Text(msg::kRsaSignatureLabel);
  const std::string exchange = Text(msg::kRsaExchangeLabel);
  const std::vector<std::string> rows = {
      "ROW 1\tCN=Signer,O=Bank\tc0ffee00-0000-0000-0000-000000000001\t" + sign + "\t2048",
      "ROW 2\t\t\t" + exchange + "\t1024",
      "ROW 3\tno cert\tc0ffee00-0000-0000-0000-000000000003\t" + exchange + "\t256"};
  std::vector<std::string> expected = {"CHOOSE key"};
  expected.insert(expected.end(), rows.begin(), rows.end());
  expected.push_back("CHOSEN cancel");
  expected.push_back("CHOOSE key");
  expected.insert(expected.end(), rows.begin(), rows.end());
  expected.push_back("CHOSEN 2");
  EXPECT_EQ(log_.Lines(), expected);
}

TEST_F(Chooser, KeyChooserWarnsWithItsOwnTextWhenNothingIsSelected) {
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "7");
  const std::vector<KeyChoice> keys = {{"CN=A", "x", 2, 1024}};
  EXPECT_FALSE(ChooseKeyToOverwrite(keys));
  const std::vector<std::string> lines = log_.Lines();
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines[2], "MSGBOX " + Text(msg::kTipCaption) + "\t" + Text(msg::kSelectKeyToOverwrite));
}

TEST_F(Chooser, RowsAndWarningsFollowTheLanguageSetting) {
  test::TempRegistry registry(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000404"));
  test::ScopedEnv choices("KQCSP_UI_CHOICES", "9,cancel,cancel");
  const std::vector<KeyChoice> keys = {{"CN=A", "x", 2, 2048}, {"CN=B", "y", 1, 1024}};
  EXPECT_FALSE(ChooseToken(std::vector<TokenChoice>{{"A", "1"}}));
  EXPECT_FALSE(ChooseKeyToOverwrite(keys));
  registry.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000409"));
  choices.Set("cancel");
  EXPECT_FALSE(ChooseKeyToOverwrite(keys));
  const std::vector<std::string> expected = {"CHOOSE token",
                                             "ROW 1\tA\t1",
                                             "MSGBOX 提示信息\t您沒有選擇Vexa，請選擇-個Vexa",
                                             "CHOSEN cancel",
                                             "CHOOSE key",
                                             "ROW 1\tCN=A\tx\tRSA簽名\t2048",
                                             "ROW 2\tCN=B\ty\tRSA交換\t1024",
                                             "CHOSEN cancel",
                                             "CHOOSE key",
                                             "ROW 1\tCN=A\tx\tRSA Sign\t2048",
                                             "ROW 2\tCN=B\ty\tRSA Exch\t1024",
                                             "CHOSEN cancel"};
  EXPECT_EQ(log_.Lines(), expected);
}

}  // namespace
}  // namespace kq::ui
