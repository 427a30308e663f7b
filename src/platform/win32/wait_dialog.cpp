// The confirmation waits as resource dialogs: the countdown dialog (101) for a wait with a
// countdown label, the PIN-tries warning (107) for one without. The decisions are the logic's
// (ui/confirmation_wait.h, ui/pin_tries_warning.h); this file shows them and passes on the
// timer, the exit request and the session's changes.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/dialog_host.h"
#include "platform/dynamic_library.h"
#include "platform/exit_request.h"
#include "platform/win32/animated_picture.h"
#include "platform/win32/dialog_resources.h"
#include "platform/win32/modal_dialog.h"
#include "platform/windowless_dialogs.h"

namespace kq::platform {

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr int kPromptTenthsOfPoint = 105;
constexpr int kSecondsTenthsOfPoint = 120;
constexpr COLORREF kSecondsColour = RGB(255, 0, 0);
constexpr DWORD kMessageFilterAdd = 1;  // MSGFLT_ADD
constexpr DWORD kNotifyForThisSession = 0;
constexpr INT_PTR kCancelled = 2;  // the result of a wait that the loop's end cut short

using ChangeWindowMessageFilterFn = BOOL(WINAPI*)(UINT message, DWORD action);
using RegisterSessionNotificationFn = BOOL(WINAPI*)(HWND window, DWORD flags);
using UnregisterSessionNotificationFn = BOOL(WINAPI*)(HWND window);

std::wstring Wide(const std::u16string& text) {
  return {text.begin(), text.end()};
}

// "宋体" at a size in tenths of a point, for the resolution of the dialog's screen.
HFONT SongTypeface(HWND dialog, int tenthsOfPoint) {
  HDC screen = GetDC(dialog);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(tenthsOfPoint, GetDeviceCaps(screen, LOGPIXELSY), 720);
  ReleaseDC(dialog, screen);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, L"\u5B8B\u4F53", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

class FontHandle {
 public:
  FontHandle() = default;
  FontHandle(const FontHandle&) = delete;
  FontHandle& operator=(const FontHandle&) = delete;
  ~FontHandle() { reset(nullptr); }
  void reset(HFONT font) {
    if (font_ != nullptr) {
      DeleteObject(font_);
    }
    font_ = font;
  }
  [[nodiscard]] HFONT get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// Session notifications for the dialog's window, from WtsApi32.dll when the system has it.
class SessionNotification {
 public:
  void Register(HWND window) {
    library_ = DynamicLibrary::Load("WtsApi32.dll");
    auto registerFn = reinterpret_cast<RegisterSessionNotificationFn>(
        library_.Symbol("WTSRegisterSessionNotification"));
    if (registerFn != nullptr && registerFn(window, kNotifyForThisSession) != FALSE) {
      window_ = window;
    }
  }
  // Some systems answer FALSE here although nothing is left registered; the answer is not used.
  void Unregister() {
    auto unregisterFn = reinterpret_cast<UnregisterSessionNotificationFn>(
        library_.Symbol("WTSUnRegisterSessionNotification"));
    if (window_ != nullptr && unregisterFn != nullptr) {
      unregisterFn(window_);
    }
    window_ = nullptr;
  }

 private:
  DynamicLibrary library_;
  HWND window_ = nullptr;
};

struct WaitDialog : ModalDialog {
  WaitDialog(const WaitView& v, WaitLogic& l) : view(v), logic(l) {}

  const WaitView& view;
  WaitLogic& logic;
  bool countdown = false;
  UINT exitMessage = 0;
  FontHandle promptFont;
  FontHandle secondsFont;
  AnimatedPicture picture;
  SessionNotification session;
};

void AllowExitRequestFromLowerIntegrity(UINT message) {
  // Looked up at run time: systems before Windows Vista have no message filter.
  auto allow = reinterpret_cast<ChangeWindowMessageFilterFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilter")));
  if (allow != nullptr && message != 0) {
    allow(message, kMessageFilterAdd);
  }
}

void Apply(HWND dialog, WaitDialog& wait, const WaitStep& step) {
  if (step.ends) {
    KillTimer(dialog, kPollTimer);
    wait.End(step.result);
  } else if (step.secondsShown && wait.countdown) {
    SetDlgItemInt(dialog, KQ_IDC_WAIT_SECONDS, static_cast<UINT>(*step.secondsShown), TRUE);
  }
}

void StartWait(HWND dialog, WaitDialog& wait) {
  const int pictureId = wait.countdown ? KQ_IDC_WAIT_PICTURE : KQ_IDC_WARNING_PICTURE;
  if (wait.countdown) {
    const std::wstring exitName(kExitRequestName, kExitRequestName + sizeof kExitRequestName - 1);
    wait.exitMessage = RegisterWindowMessageW(exitName.c_str());
    AllowExitRequestFromLowerIntegrity(wait.exitMessage);
    wait.promptFont.reset(SongTypeface(dialog, kPromptTenthsOfPoint));
    wait.secondsFont.reset(SongTypeface(dialog, kSecondsTenthsOfPoint));
    SendDlgItemMessageW(dialog, KQ_IDC_WAIT_PROMPT, WM_SETFONT,
                        reinterpret_cast<WPARAM>(wait.promptFont.get()), TRUE);
    SendDlgItemMessageW(dialog, KQ_IDC_WAIT_SECONDS_LABEL, WM_SETFONT,
                        reinterpret_cast<WPARAM>(wait.promptFont.get()), TRUE);
    SendDlgItemMessageW(dialog, KQ_IDC_WAIT_SECONDS, WM_SETFONT,
                        reinterpret_cast<WPARAM>(wait.secondsFont.get()), TRUE);
    SetDlgItemTextW(dialog, KQ_IDC_WAIT_PROMPT, Wide(wait.view.message).c_str());
    SetDlgItemTextW(dialog, KQ_IDC_WAIT_SECONDS_LABEL, Wide(wait.view.countdownLabel).c_str());
  } else {
    SetDlgItemTextW(dialog, KQ_IDC_WARNING_TEXT, Wide(wait.view.message).c_str());
  }
  SetWindowTextW(dialog, Wide(wait.view.caption).c_str());
  SetTimer(dialog, kPollTimer, wait.view.timerPeriodMs, nullptr);
  if (wait.picture.Attach(GetDlgItem(dialog, pictureId)) &&
      wait.picture.LoadFromResource(ResourceModule(), KQ_IDR_CONFIRMATION_PICTURE)) {
    wait.picture.Draw();
  }
  wait.session.Register(dialog);
  BringDialogToFront(dialog);
}

INT_PTR CALLBACK WaitProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  WaitDialog* wait = DialogState<WaitDialog>(dialog, message, lParam);
  if (wait == nullptr) {
    return FALSE;
  }
  if (wait->exitMessage != 0 && message == wait->exitMessage) {
    Apply(dialog, *wait, wait->logic.OnExitRequest());
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      StartWait(dialog, *wait);
      return FALSE;  // the focus is set
    case WM_TIMER:
      if (wParam == kPollTimer && !wait->ended) {
        Apply(dialog, *wait, wait->logic.OnTimer());
      }
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      Apply(dialog, *wait, wait->logic.OnSessionChange(static_cast<uint32_t>(wParam)));
      return FALSE;
    case WM_QUERYENDSESSION:
      Apply(dialog, *wait, wait->logic.OnQueryEndSession());
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wait->countdown) {
        return FALSE;
      }
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, KQ_IDC_WAIT_SECONDS) &&
          wait->countdown) {
        HDC target = reinterpret_cast<HDC>(wParam);
        SetTextColor(target, kSecondsColour);
        SetBkMode(target, TRANSPARENT);
        // The dialog's own background, so that a shorter number leaves no digit behind.
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      }
      return FALSE;
    case WM_COMMAND:
      // Enter, Escape and the close box end neither wait: only the key, the session and the
      // exit request do.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_DESTROY:
      KillTimer(dialog, kPollTimer);
      wait->picture.Stop();
      wait->session.Unregister();
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunWaitDialog(const WaitView& view, WaitLogic& logic) {
  WaitDialog wait(view, logic);
  wait.countdown = !view.countdownLabel.empty();
  wait.swallowKeys = !wait.countdown;
  const int resource = wait.countdown ? KQ_IDD_CONFIRMATION_WAIT : KQ_IDD_PIN_TRIES_WARNING;
  if (!HasDialogResource(resource)) {
    return RunWindowlessWait(view, logic);
  }
  DWORD madeError = 0;
  const std::optional<INT_PTR> result =
      RunModalDialog(resource, WaitProcedure, wait, kCancelled, madeError);
  if (!result) {
    // The key's display and buttons work without the window: wait for them without it.
    ReportNoWindow(view.logKind, madeError);
    return RunWindowlessWait(view, logic);
  }
  return static_cast<int>(*result);
}

}  // namespace kq::platform
