#pragma once
// The modal run of the provider's resource dialogs on the calling thread: a top-level dialog
// without owner, made from kqcsp.dll's resources, with a message loop of its own so that a
// dialog can refuse keys before the dialog manager sees them.

#include <windows.h>

#include <optional>

namespace kq::platform {

// The module that holds this code and the dialog resources (kqcsp.dll).
HMODULE ResourceModule();

// True when the module holds the dialog resource. A program that links the subsystems without
// the provider's resources (a test of the store) runs the windowless dialogs instead.
bool HasDialogResource(int resourceId);

// What a dialog procedure and its modal loop share; the procedure's lParam at WM_INITDIALOG.
struct ModalDialog {
  bool ended = false;
  INT_PTR result = 0;
  bool swallowKeys = false;  // key-down messages for the dialog never reach it

  void End(INT_PTR value) {
    ended = true;
    result = value;
  }
};

// Runs the dialog until its procedure calls End; returns its result, or `onQuit` when the
// thread's message loop is told to quit (the quit message is posted again for the caller's loop).
// nullopt when the dialog cannot be made (no window station or desktop for this process, no
// display, desktop heap exhausted); `madeError` then holds the system's reason.
std::optional<INT_PTR> RunModalDialog(int resourceId, DLGPROC procedure, ModalDialog& state,
                                      INT_PTR onQuit, DWORD& madeError);

// Makes the dialog the active window and gives it the focus, also when another program's
// window is in the foreground: this thread's input is attached to that window's thread just long
// enough to set the focus, so that the two threads' input queues stay independent afterwards and a
// hang in one never freezes the other's windows.
void BringDialogToFront(HWND dialog);

// The state of the dialog whose procedure is running, as stored at WM_INITDIALOG.
template <typename State>
State* DialogState(HWND dialog, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  }
  return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace kq::platform
