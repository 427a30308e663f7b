#include "platform/win32/modal_dialog.h"

namespace kq::platform {

HMODULE ResourceModule() {
  static const HMODULE module = [] {
    HMODULE found = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ResourceModule), &found);
    return found;
  }();
  return module;
}

bool HasDialogResource(int resourceId) {
  return FindResourceW(ResourceModule(), MAKEINTRESOURCEW(resourceId), RT_DIALOG) != nullptr;
}

std::optional<INT_PTR> RunModalDialog(int resourceId, DLGPROC procedure, ModalDialog& state,
                                      INT_PTR onQuit, DWORD& madeError) {
  SetLastError(0);
  HWND dialog = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(resourceId), nullptr,
                                   procedure, reinterpret_cast<LPARAM>(&state));
  if (dialog == nullptr) {
    madeError = GetLastError();
    return std::nullopt;
  }
  if (!state.ended) {
    ShowWindow(dialog, SW_SHOW);
  }
  MSG message{};
  while (!state.ended) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      if (got == 0) {
        PostQuitMessage(static_cast<int>(message.wParam));
      }
      state.End(onQuit);
      break;
    }
    const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    if (state.swallowKeys && keyDown &&
        (message.hwnd == dialog || IsChild(dialog, message.hwnd) != FALSE)) {
      continue;
    }
    if (IsDialogMessageW(dialog, &message) == FALSE) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DestroyWindow(dialog);
  return state.result;
}

// How long the foreground window's thread has to show that it is not waiting (for the key's lock).
constexpr UINT kForegroundAnswerMs = 250;

void BringDialogToFront(HWND dialog) {
  SetActiveWindow(dialog);
  HWND foreground = GetForegroundWindow();
  if (foreground == dialog) {
    return;
  }
  const DWORD self = GetCurrentThreadId();
  const DWORD other = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  // Focus moved under attached input is told to the other thread's window with messages that
  // wait for it. The dialog runs while its operation holds the key's lock, and the foreground
  // window may be a bank tool's that waits for that lock (it looks at the key on our
  // notification): attach only to a thread that answers now, or both would wait for good.
  DWORD_PTR answer = 0;
  const bool answers = other != 0 && other != self &&
                       SendMessageTimeoutW(foreground, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                           kForegroundAnswerMs, &answer) != 0;
  const bool attached = answers && AttachThreadInput(self, other, TRUE) != FALSE;
  SetFocus(dialog);
  if (attached) {
    AttachThreadInput(self, other, FALSE);
  }
}

}  // namespace kq::platform
