// The confirmation waits as a user meets them under Windows: the countdown dialog while the key
// waits for its button during a key generation or a transaction signature, and the PIN-tries
// warning before a PIN is verified after wrong tries. Each operation runs through advapi32 on a
// thread of its own; the test reads and drives the dialog with window messages and presses the
// soft key's buttons.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container_scene.h"
#include "dialog_driver.h"
#include "support/run_command.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

constexpr int kPrompt = 1000;
constexpr int kSeconds = 1002;
constexpr int kSecondsLabel = 1003;
constexpr int kPicture = 1004;
constexpr int kWarningText = 2016;
constexpr int kWarningPicture = 2015;

// A soft key whose buttons wait for the test, with a container opened on it through CryptoAPI.
class WaitScene : public ContainerScene {
 public:
  WaitScene() : ContainerScene({.button = "manual"}, L"dialogs") {}
  // A key generation, whose wait the test then drives.
  BackgroundCall GenerateKey() { return ContainerScene::GenerateKey(1024); }
};

struct LanguageTexts {
  DWORD languageId;
  const wchar_t* caption;  // key generation
  const wchar_t* prompt;
  const wchar_t* label;
  const wchar_t* warningCaption;
  const wchar_t* warning;  // five tries left
};

const LanguageTexts kLanguages[] = {
    {2052, L"产生交易密钥", L"\r\n将要产生交易密钥，确认请按\"OK\"键，取消请按\"C\"键。",
     L"本次操作剩余时间(秒): ", L"Vexa口令重试次数提示",
     L"连续口令输入错误，剩余5次口令验证机会，请在确认无误后再在Vexa上按\"确认\"键！"},
    {1028, L"産生交易密鑰", L"\r\n將要産生交易密鑰，確認請按\"OK\"鍵，取消請按\"C\"鍵。",
     L"本次操作剩餘時間(秒): ", L"Vexa口令重試次數提示",
     L"連續口令輸入錯誤，剩餘5次口令驗證機會，請在確認無誤後再在Vexa上按\"確認\"鍵！"},
    {1033, L"Generate transaction key",
     L"Generate transaction key,please press the \"OK\" key to confirm,press the \"C\" key to "
     L"cancel",
     L"Left time(s): ", L"USBKEY PIN Retry Times Infomation",
     L"Input incorrect PIN continuously, left you 5 time(s) verification, please make sure you "
     L"input the correct PIN then press the \"OK\" button!"},
};

int SecondsShown(HWND dialog) {
  return std::stoi(ControlText(dialog, kSeconds));
}

// The key's "C" ends the wait as cancelled, and the operation reports it.
void CancelOnKey(WaitScene& wait, BackgroundCall& call, HWND dialog) {
  wait.scene().Press(wait.key(), false);
  ASSERT_TRUE(call.Finish());
  EXPECT_FALSE(call.result());
  EXPECT_EQ(call.error(), kCancelledByUser);
  EXPECT_TRUE(WaitUntilGone(dialog));
}

TEST(ConfirmationWait, ShowsTheOperationInEachLanguageWithTheCountdownInRed) {
  WaitScene wait;
  for (const LanguageTexts& texts : kLanguages) {
    SCOPED_TRACE(texts.languageId);
    const LanguageSetting language(texts.languageId);
    BackgroundCall call = wait.GenerateKey();
    HWND dialog = WaitForDialog(kSeconds);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), texts.caption);
    EXPECT_EQ(ControlText(dialog, kPrompt), texts.prompt);
    EXPECT_EQ(ControlText(dialog, kSecondsLabel), texts.label);
    EXPECT_NE(GetDlgItem(dialog, kPicture), nullptr);
    EXPECT_EQ(GetParent(dialog), nullptr);
    EXPECT_NE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(StaticTextColour(dialog, kSeconds), RGB(255, 0, 0));
    EXPECT_EQ(StaticTextColour(dialog, kPrompt), RGB(0, 0, 0));
    // 10.5 and 12 points: 14 and 16 pixels high at 96 pixels per inch.
    EXPECT_EQ(ControlFont(dialog, kPrompt).lfHeight, -14);
    EXPECT_EQ(ControlFont(dialog, kSeconds).lfHeight, -16);
    EXPECT_STREQ(ControlFont(dialog, kSeconds).lfFaceName, L"宋体");
    CancelOnKey(wait, call, dialog);
  }
}

TEST(ConfirmationWait, CountsDownIgnoresEnterEscapeAndCloseAndEndsWithTheKeysOk) {
  WaitScene wait;
  BackgroundCall call = wait.GenerateKey();
  HWND dialog = WaitForDialog(kSeconds);
  ASSERT_NE(dialog, nullptr);
  Sleep(300);
  const int first = SecondsShown(dialog);
  EXPECT_GT(first, 20);
  Sleep(1300);
  EXPECT_LT(SecondsShown(dialog), first);

  PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(call.Finish(std::chrono::milliseconds(400)));
  EXPECT_TRUE(IsWindowVisible(dialog));

  wait.scene().Press(wait.key(), true);
  ASSERT_TRUE(call.Finish());
  EXPECT_TRUE(call.result()) << std::hex << call.error();
  EXPECT_TRUE(WaitUntilGone(dialog));
  HCRYPTKEY generated = 0;
  ASSERT_TRUE(CryptGetUserKey(wait.provider(), AT_SIGNATURE, &generated));
  CryptDestroyKey(generated);
}

// The ways a wait ends as cancelled without the key's "C".
TEST(ConfirmationWait, ExitRequestFromAnotherProgramAndSessionEventsCancel) {
  struct Case {
    const char* name;
    void (*act)(HWND dialog);
  };
  const Case cases[] = {
      {"exit request from another process",
       [](HWND) {
         const CommandResult posted =
             RunCommand({KQ_TEST_BIN_DIR "/post_exit_request" KQ_TEST_PROGRAM_SUFFIX});
         EXPECT_EQ(posted.exitCode, 0) << posted.out;
       }},
      {"session lock", [](HWND dialog) { PostMessageW(dialog, WM_WTSSESSION_CHANGE, 7, 1); }},
      {"console disconnect", [](HWND dialog) { PostMessageW(dialog, WM_WTSSESSION_CHANGE, 2, 1); }},
      {"session end", [](HWND dialog) { PostMessageW(dialog, WM_QUERYENDSESSION, 0, 0); }},
  };
  WaitScene wait;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BackgroundCall call = wait.GenerateKey();
    HWND dialog = WaitForDialog(kSeconds);
    ASSERT_NE(dialog, nullptr);
    // An unlock does not concern the countdown.
    PostMessageW(dialog, WM_WTSSESSION_CHANGE, 8, 1);
    EXPECT_FALSE(call.Finish(std::chrono::milliseconds(300)));
    c.act(dialog);
    ASSERT_TRUE(call.Finish());
    EXPECT_FALSE(call.result());
    EXPECT_EQ(call.error(), kCancelledByUser);
    EXPECT_TRUE(WaitUntilGone(dialog));
  }
}

// The bank's transaction message: "02", "01" and "00" fields, each with its 16-digit length.
std::string TransactionMessage(const std::string& text) {
  auto field = [](const char* tag, const std::string& value) {
    char length[17];
    snprintf(length, sizeof length, "%016zu", value.size());
    return std::string(tag) + length + value;
  };
  return field("02", "0001") + field("01", text) + field("00", "reference 42");
}

TEST(ConfirmationWait, TransactionSignatureCompletesWhenConfirmedInTheWindow) {
  WaitScene wait;
  wait.scene().SetButton(wait.key(), "ok:1");
  HCRYPTKEY generated = 0;
  ASSERT_TRUE(CryptGenKey(wait.provider(), AT_SIGNATURE, 1024u << 16, &generated))
      << std::hex << GetLastError();
  CryptDestroyKey(generated);
  wait.scene().SetButton(wait.key(), "manual");

  const LanguageSetting language(2052);
  std::vector<BYTE> signature(128);
  DWORD length = static_cast<DWORD>(signature.size());
  BackgroundCall call([&] {
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(wait.provider(), CALG_SHA1, 0, 0, &hash)) {
      return FALSE;
    }
    const std::string message = TransactionMessage("Pay 100.00 CNY to 6222 0000 1234");
    BOOL done = CryptHashData(hash, reinterpret_cast<const BYTE*>(message.data()),
                              static_cast<DWORD>(message.size()), 0);
    done = done && CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, signature.data(), &length);
    const DWORD error = GetLastError();
    CryptDestroyHash(hash);
    SetLastError(error);
    return done;
  });
  HWND dialog = WaitForDialog(kSeconds);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), L"请确认交易信息");
  EXPECT_EQ(ControlText(dialog, kPrompt),
            L"\r\n请确认交易信息，确认请按\"OK\"键，取消请按\"C\"键。");
  wait.scene().Press(wait.key(), true);
  ASSERT_TRUE(call.Finish());
  EXPECT_TRUE(call.result()) << std::hex << call.error();
  EXPECT_EQ(length, 128u);
  EXPECT_TRUE(WaitUntilGone(dialog));
}

// After a wrong PIN (five tries left) the PIN verification of CryptSetProvParam needs the key's
// "OK". The soft PIN entry would wait for the button too, so only the verification runs so.
class PinWarningScene : public WaitScene {
 public:
  BackgroundCall VerifyPin() {
    scene().SetPinState(key(), 5, false);
    return BackgroundCall([this] {
      static const BYTE pin[] = "12345678";
      return CryptSetProvParam(provider(), PP_SIGNATURE_PIN, pin, 0);
    });
  }
};

TEST(PinTriesWarning, ShowsTheTriesLeftInEachLanguageAndEndsWithTheKey) {
  PinWarningScene wait;
  for (const LanguageTexts& texts : kLanguages) {
    SCOPED_TRACE(texts.languageId);
    const LanguageSetting language(texts.languageId);
    // The warning shows the catalogue's current language, which the countdown refreshes.
    {
      BackgroundCall refresh = wait.GenerateKey();
      HWND countdown = WaitForDialog(kSeconds);
      ASSERT_NE(countdown, nullptr);
      CancelOnKey(wait, refresh, countdown);
    }
    BackgroundCall call = wait.VerifyPin();
    HWND dialog = WaitForDialog(kWarningText);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), texts.warningCaption);
    EXPECT_EQ(ControlText(dialog, kWarningText), texts.warning);
    EXPECT_NE(GetDlgItem(dialog, kWarningPicture), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_SYSMENU, 0);
    PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    // The exit request is the countdown's only.
    EXPECT_EQ(RunCommand({KQ_TEST_BIN_DIR "/post_exit_request" KQ_TEST_PROGRAM_SUFFIX}).exitCode,
              0);
    EXPECT_FALSE(call.Finish(std::chrono::milliseconds(400)));
    wait.scene().Press(wait.key(), true);
    ASSERT_TRUE(call.Finish());
    EXPECT_TRUE(call.result()) << std::hex << call.error();
    EXPECT_TRUE(WaitUntilGone(dialog));
  }
}

TEST(PinTriesWarning, SessionLockAndUnlockAbortIt) {
  PinWarningScene wait;
  for (const WPARAM reason : {WPARAM{7}, WPARAM{8}}) {
    SCOPED_TRACE(reason);
    BackgroundCall call = wait.VerifyPin();
    HWND dialog = WaitForDialog(kWarningText);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_WTSSESSION_CHANGE, reason, 1);
    ASSERT_TRUE(call.Finish());
    EXPECT_FALSE(call.result());
    EXPECT_EQ(call.error(), static_cast<DWORD>(NTE_FAIL));
    EXPECT_TRUE(WaitUntilGone(dialog));
  }
}

}  // namespace
}  // namespace kq::test
