#pragma once
// Answers the message boxes that one thread shows (a wrong PIN, for example): a MessageBoxW call
// blocks its thread until the box is closed, so a second thread watches the first one's top-level
// windows for the standard dialog class and presses OK with a posted WM_COMMAND.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kq::wintest {

class MessageBoxCloser {
 public:
  // Watches the calling thread's windows.
  MessageBoxCloser();
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
  ~MessageBoxCloser();

  // The captions of the boxes closed so far, in order.
  [[nodiscard]] std::vector<std::wstring> Closed() const;

 private:
  void Watch();
  static BOOL CALLBACK Visit(HWND window, LPARAM self);

  DWORD thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::wstring> closed_;
  std::set<HWND> answered_;
  std::thread watcher_;
};

}  // namespace kq::wintest
