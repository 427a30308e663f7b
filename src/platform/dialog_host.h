#pragma once
// The user-interface port for the system's own dialogs: the confirmation waits and the list
// choosers. The decisions (what to poll, when to end, which texts and rows to show, what an OK
// with no selection does) belong to the caller's logic object; a backend only shows and asks.
//
// POSIX backend: no window. Every event is a line of the UI log (ui_log.h):
//   WAIT <kind> <caption>\t<seconds>   when a wait starts and each time the seconds shown change
//                                      (a wait without countdown shows its message once instead)
//   WAITEND <kind> <result>            when it ends
//   CHOOSE <kind>, ROW <n>\t<column>..., then CHOSEN <n> or CHOSEN cancel
// While a wait is open it listens for the exit request (exit_request.h). Choosers take their
// answers from KQCSP_UI_CHOICES (choice_queue.h), then from the terminal when standard input is
// one, and cancel otherwise.
// Win32 backend: the resource dialogs of kqcsp.dll (101 and 107 for the waits, 102 and 106 for
// the choosers), run modally on the calling thread; a program that links the subsystems without
// those resources gets the windowless behaviour (windowless_dialogs.h) without terminal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq::platform {

// Reasons of a session change (WM_WTSSESSION_CHANGE) that the waits follow.
inline constexpr uint32_t kSessionConsoleConnect = 1;
inline constexpr uint32_t kSessionConsoleDisconnect = 2;
inline constexpr uint32_t kSessionLock = 7;
inline constexpr uint32_t kSessionUnlock = 8;

// What the logic of a wait answers to a tick or an event.
struct WaitStep {
  bool ends = false;
  int result = 0;                       // the dialog's result when it ends
  std::optional<int32_t> secondsShown;  // new value of the countdown, when the wait shows one

  static WaitStep Continue() { return {}; }
  static WaitStep Show(int32_t seconds) { return {false, 0, seconds}; }
  static WaitStep End(int result) { return {true, result, std::nullopt}; }
};

// The logic behind a confirmation wait; the backend calls it on the waiting thread.
class WaitLogic {
 public:
  virtual ~WaitLogic() = default;
  virtual WaitStep OnTimer() = 0;
  // The exit request "KQ_ORV_EXITALLUKEYDC" arrived.
  virtual WaitStep OnExitRequest() = 0;
  virtual WaitStep OnSessionChange(uint32_t reason) = 0;
  // The session is ending (WM_QUERYENDSESSION); the answer to the system is always "may end".
  virtual WaitStep OnQueryEndSession() = 0;
};

struct WaitView {
  std::string logKind;  // the dialog kind in the UI log: an operation kind or "pin"
  std::u16string caption;
  std::u16string message;         // the prompt, or the whole warning of a wait without countdown
  std::u16string countdownLabel;  // empty: the wait shows no countdown
  uint32_t timerPeriodMs = 100;
};

// Runs the wait modally on the calling thread and returns the result the logic ended it with.
int RunWaitDialog(const WaitView& view, WaitLogic& logic);

struct ChooserColumn {
  std::u16string heading;
  int width = 0;  // in dialog pixels
};

struct ChooserView {
  std::string logKind;  // "token" or "key"
  std::u16string title;
  std::u16string prompt;  // may be empty
  std::u16string okText;
  std::u16string cancelText;
  std::vector<ChooserColumn> columns;             // the first is the index column
  std::vector<std::vector<std::u16string>> rows;  // one text per column, index text first
};

// The logic behind a chooser.
class ChooserLogic {
 public:
  virtual ~ChooserLogic() = default;
  // OK was pressed with the given row selected (none: nullopt). True ends the chooser with that
  // row; false keeps it open (the logic has told the user why).
  virtual bool OnOk(std::optional<size_t> selectedRow) = 0;
};

// Runs the chooser modally; the chosen row, or nullopt when the user cancelled.
std::optional<size_t> RunChooserDialog(const ChooserView& view, ChooserLogic& logic);

}  // namespace kq::platform
