// The provider's dialogs as a user meets them under Windows, each brought up through advapi32 on
// a thread of its own and read and driven with window messages while the soft key's buttons are
// pressed: the countdown of a confirmation wait, the PIN-tries warning, and the token and key
// choosers. The texts are the catalogue's in the language the machine's setting names.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog_scene.h"
#include "platform/win32/dialog_resources.h"
// windows.h names FormatMessageW so; the catalogue's own is meant here.
#undef FormatMessage
#include "ui/catalogue.h"

namespace kq::wintest {
namespace {

constexpr int kList = KQ_IDC_CHOOSER_LIST;
constexpr int kSeconds = KQ_IDC_WAIT_SECONDS;
constexpr auto kFailed = static_cast<DWORD>(NTE_FAIL);

// The languages, each with one text not taken from the catalogue: the key generation's title.
const std::pair<DWORD, const wchar_t*> kLanguages[] = {
    {2052, L"产生交易密钥"}, {1028, L"産生交易密鑰"}, {1033, L"Generate transaction key"}};

std::wstring Text(uint32_t id, int64_t value = 0) {
  const std::u16string text = ui::FormatMessage(id, value);
  return {text.begin(), text.end()};
}

// The end of the call: success (error 0) or failure with the error, and the dialog gone.
void ExpectEnd(const BackgroundCall& call, HWND dialog, DWORD error = kCancelledByUser) {
  ASSERT_TRUE(call.Finish(std::chrono::seconds(60)));
  EXPECT_EQ(call.result() != FALSE, error == 0) << std::hex << call.error();
  EXPECT_TRUE(error == 0 || call.error() == error) << std::hex << call.error();
  EXPECT_TRUE(WaitUntilGone(dialog));
}

// Another program's request that every open confirmation wait end, as it broadcasts it.
void PostExitRequest() {
  EXPECT_TRUE(PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"KQ_ORV_EXITALLUKEYDC"), 0, 0));
}

// Enter, Escape, a close and another program's exit request, which a dialog that waits for the
// key ignores: the call goes on and the dialog stays.
void IgnoredByTheDialog(HWND dialog, const BackgroundCall& call) {
  PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  if (GetDlgItem(dialog, KQ_IDC_WARNING_TEXT) != nullptr) {
    PostExitRequest();  // the exit request is the countdown's only
  }
  EXPECT_FALSE(call.Finish(std::chrono::milliseconds(400)));
  EXPECT_TRUE(IsWindowVisible(dialog));
}

// The texts a dialog shows, by control (0: the caption) and catalogue id.
void ExpectTexts(HWND dialog, std::initializer_list<std::pair<int, uint32_t>> texts) {
  for (const auto& [control, id] : texts) {
    EXPECT_EQ(control == 0 ? WindowText(dialog) : ControlText(dialog, control), Text(id)) << id;
  }
}

// A chooser's headings; an OK with no row selected answers with a message box and leaves the
// chooser open.
void ExpectChooser(HWND dialog, std::initializer_list<uint32_t> headings, uint32_t noSelection) {
  int column = 0;
  for (const uint32_t id : headings) {
    EXPECT_EQ(ListHeading(GetDlgItem(dialog, kList), column++), Text(id));
  }
  SelectListRow(GetDlgItem(dialog, kList), std::nullopt);
  ClickButton(dialog, IDOK);
  HWND box = WaitForDialog(kMessageBoxText);
  ASSERT_NE(box, nullptr);
  ExpectTexts(box, {{0, ui::msg::kTipCaption}, {kMessageBoxText, noSelection}});
  ClickButton(box, IDOK);
  EXPECT_TRUE(WaitUntilGone(box));
  EXPECT_TRUE(IsWindowVisible(dialog));
}

// Each scene in each language, its texts read from the catalogue.
class InEachLanguage : public ::testing::TestWithParam<Dialog> {};

TEST_P(InEachLanguage, TheDialogShowsItsTexts) {
  DialogScene scene(GetParam());
  for (const auto& [language, generateKeyTitle] : kLanguages) {
    SCOPED_TRACE(language);
    const LanguageSetting setting(language);
    ui::SetCatalogueLanguage(language);
    if (GetParam() == Dialog::kPinWarning) {
      // The countdown, which also refreshes the language the warning shows.
      BackgroundCall call = scene.GenerateKey(1024);
      HWND dialog = WaitForDialog(kSeconds);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(WindowText(dialog), generateKeyTitle);
      ExpectTexts(dialog, {{0, ui::msg::kGenerateKeyTitle},
                           {KQ_IDC_WAIT_PROMPT, ui::msg::kGenerateKeyPrompt},
                           {KQ_IDC_WAIT_SECONDS_LABEL, ui::msg::kTimeLeftLabel}});
      EXPECT_NE(GetDlgItem(dialog, KQ_IDC_WAIT_PICTURE), nullptr);
      EXPECT_EQ(GetParent(dialog), nullptr);
      EXPECT_NE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
      EXPECT_EQ(StaticTextColour(dialog, kSeconds), RGB(255, 0, 0));
      EXPECT_EQ(StaticTextColour(dialog, KQ_IDC_WAIT_PROMPT), RGB(0, 0, 0));
      // 10.5 and 12 points: 14 and 16 pixels high at 96 pixels per inch.
      EXPECT_EQ(ControlFont(dialog, KQ_IDC_WAIT_PROMPT).lfHeight, -14);
      EXPECT_EQ(ControlFont(dialog, kSeconds).lfHeight, -16);
      EXPECT_STREQ(ControlFont(dialog, kSeconds).lfFaceName, L"宋体");
      scene.keys().Press(scene.key(), false);
      ExpectEnd(call, dialog);
    }
    BackgroundCall call = scene.Start();
    HWND dialog = scene.Wait();
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kList);
    if (GetParam() == Dialog::kPinWarning) {
      // It ignores Enter, Escape, a close and the exit request, and ends with the key's OK.
      EXPECT_EQ(ControlText(dialog, KQ_IDC_WARNING_TEXT), Text(ui::msg::kPinRetryWarning, 5));
      ExpectTexts(dialog, {{0, ui::msg::kPinRetryWarningCaption}});
      EXPECT_NE(GetDlgItem(dialog, KQ_IDC_WARNING_PICTURE), nullptr);
      EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_SYSMENU, 0);
      IgnoredByTheDialog(dialog, call);
      scene.Dismiss(dialog);
      ExpectEnd(call, dialog, 0);
      continue;
    }
    if (GetParam() == Dialog::kTokenChooser) {
      ExpectTexts(dialog, {{0, ui::msg::kSelectTokenTitle},
                           {KQ_IDC_CHOOSER_PROMPT, ui::msg::kSelectTokenPrompt},
                           {IDOK, ui::msg::kOkButton},
                           {IDCANCEL, ui::msg::kCancelButton}});
      EXPECT_NE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
      ASSERT_EQ(ListView_GetItemCount(list), 2);
      EXPECT_EQ(ListCell(list, 1, 0), L"2");
      EXPECT_EQ(ListCell(list, 1, 1), L"Bob");
      EXPECT_EQ(ListCell(list, 1, 2).substr(0, 12), L"731000000002");
      EXPECT_NE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT, 0);
      ExpectChooser(dialog,
                    {ui::msg::kIndexColumn, ui::msg::kTokenNameColumn, ui::msg::kTokenSerialColumn},
                    ui::msg::kNoTokenSelected);
    } else {
      // No key pair has a container, so each is listed as an exchange key.
      ExpectTexts(dialog, {{0, ui::msg::kSelectKeyToOverwrite}});
      ASSERT_EQ(ListView_GetItemCount(list), 5);
      EXPECT_EQ(ListCell(list, 2, 3), Text(ui::msg::kRsaExchangeLabel));
      EXPECT_EQ(ListCell(list, 2, 4), L"1024");
      ExpectChooser(dialog,
                    {ui::msg::kIndexColumn, ui::msg::kSubjectColumn, ui::msg::kContainerNameColumn,
                     ui::msg::kKeyTypeColumn, ui::msg::kKeyLengthColumn},
                    ui::msg::kSelectKeyToOverwrite);
    }
    if (GetParam() == Dialog::kTokenChooser && language == kLanguages[2].first) {
      // The container goes on the key of the row the user selects.
      SelectListRow(list, 1);
      ClickButton(dialog, IDOK);
      ExpectEnd(call, dialog, 0);
      char reader[260] = {};
      DWORD length = sizeof reader;
      ASSERT_TRUE(CryptGetProvParam(scene.provider(), PP_SMARTCARD_READER,
                                    reinterpret_cast<BYTE*>(reader), &length, 0));
      EXPECT_EQ(reader, scene.keys().ReaderName(scene.key()));
      continue;
    }
    scene.Dismiss(dialog);
    ExpectEnd(call, dialog);
  }
}

constexpr const char* kSceneNames[] = {"Countdown", "TokenChooser", "KeyChooser"};
INSTANTIATE_TEST_SUITE_P(Dialogs, InEachLanguage,
                         ::testing::Values(Dialog::kPinWarning, Dialog::kTokenChooser,
                                           Dialog::kKeyChooser),
                         [](const auto& p) { return std::string(kSceneNames[p.index]); });

TEST(Countdown, ATransactionCountsDownIgnoresEnterEscapeAndCloseAndIsSignedOnTheKeysOk) {
  DialogScene scene(Dialog::kCountdown);
  scene.keys().SetButton(scene.key(), "ok:1");
  CryptKey generated;
  ASSERT_TRUE(CryptGenKey(scene.provider(), AT_SIGNATURE, 1024u << 16, generated.out()))
      << std::hex << GetLastError();
  scene.keys().SetButton(scene.key(), "manual");

  const LanguageSetting language(2052);
  ui::SetCatalogueLanguage(2052);
  Bytes signature;
  BackgroundCall call([&] {
    CryptHash hash;
    // The bank's transaction message: fields "02", "01" and "00", each with its 16-digit length.
    const std::string message =
        "0200000000000000040001010000000000000032Pay 100.00 CNY to 6222 0000 1234"
        "000000000000000012reference 42";
    if (CryptCreateHash(scene.provider(), CALG_SHA1, 0, 0, hash.out()) &&
        CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(message.data()),
                      static_cast<DWORD>(message.size()), 0)) {
      signature = SignHash(hash.get(), AT_SIGNATURE);
    }
    return signature.empty() ? FALSE : TRUE;
  });
  HWND dialog = scene.Wait();
  ASSERT_NE(dialog, nullptr);
  ExpectTexts(dialog,
              {{0, ui::msg::kTransactionTitle}, {KQ_IDC_WAIT_PROMPT, ui::msg::kTransactionPrompt}});
  Sleep(300);
  const int first = std::stoi(ControlText(dialog, kSeconds));
  EXPECT_GT(first, 20);
  Sleep(1300);
  EXPECT_LT(std::stoi(ControlText(dialog, kSeconds)), first);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  IgnoredByTheDialog(dialog, call);
  scene.keys().Press(scene.key(), true);
  ExpectEnd(call, dialog, 0);
  EXPECT_EQ(signature.size(), 128u);
}

// The ways a wait ends without the key's button: the countdown's is cancelled by another
// program's exit request and session events (an unlock does not concern it); the warning's ends
// in failure with a session lock or unlock.
TEST(Dialogs, ExitRequestsAndSessionEventsEndTheWaits) {
  struct Case {
    Dialog dialog;
    UINT message;  // 0: another program's exit request
    WPARAM wParam;
    DWORD error;
  };
  const Case cases[] = {
      {Dialog::kCountdown, 0, 0, kCancelledByUser},
      {Dialog::kCountdown, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, kCancelledByUser},
      {Dialog::kCountdown, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, kCancelledByUser},
      {Dialog::kCountdown, WM_QUERYENDSESSION, 0, kCancelledByUser},
      {Dialog::kPinWarning, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, kFailed},
      {Dialog::kPinWarning, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.message << " " << c.wParam);
    DialogScene scene(c.dialog);  // one scene at a time: each sets the soft keys' root
    BackgroundCall call = scene.Start();
    HWND dialog = scene.Wait();
    ASSERT_NE(dialog, nullptr);
    if (c.dialog == Dialog::kCountdown) {
      PostMessageW(dialog, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
      EXPECT_FALSE(call.Finish(std::chrono::milliseconds(300)));
    }
    if (c.message == 0) {
      PostExitRequest();
    } else {
      PostMessageW(dialog, c.message, c.wParam, c.message == WM_WTSSESSION_CHANGE ? 1 : 0);
    }
    ExpectEnd(call, dialog, c.error);
  }
}

}  // namespace
}  // namespace kq::wintest
