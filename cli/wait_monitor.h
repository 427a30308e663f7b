#pragma once
// Shows on the terminal what the provider's dialogs would show: while a key waits for its button
// the countdown, then how the wait ended; message boxes and chooser rows as lines. It follows
// the UI log (the file named by KQCSP_UI_LOG; when none is named it names a temporary one, in a
// private folder, for the provider and removes both at the end).
//
// Ctrl-C while a wait is open ends the wait as cancelled: the exit request
// "KQ_ORV_EXITALLUKEYDC" goes to the wait sockets, the provider's wait ends with "cancelled" at
// its next tick and the operation closes the key and reports it. Ctrl-C at any other time, or a
// second one, ends kqtool at once (exit status 130).

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

namespace kq::cli {

class WaitMonitor {
 public:
  // Lines go to `out` (standard error for ordinary commands), indented by `indent` blanks.
  WaitMonitor(std::FILE* out, int indent);
  WaitMonitor(const WaitMonitor&) = delete;
  WaitMonitor& operator=(const WaitMonitor&) = delete;
  // Shows what is left in the log, stops following it and removes a log it made.
  ~WaitMonitor();

  // Handles the lines written so far (the demo calls it between steps so lines stay in order).
  void Flush();

 private:
  void Follow();
  void ReadNewLines();
  void Show(const std::string& line);
  void EndCountdownLine();

  std::FILE* out_;
  std::string pad_;
  std::string path_;
  std::string folder_;  // the private folder of a log it made
  bool ownsLog_ = false;
  bool terminal_ = false;
  uint64_t offset_ = 0;
  std::string partial_;
  std::string countdown_;  // the countdown line on screen, to redraw in place
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::atomic_flag reading_ = ATOMIC_FLAG_INIT;
  int lastSecondsShown_ = -1;
};

}  // namespace kq::cli
