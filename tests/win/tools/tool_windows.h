#pragma once
// The bank tool's windows, each on a thread of its own, that may carry the tool-window marker
// property and log every notification they receive.
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kq::wintest {

using Events = std::vector<std::string>;  // "<name> <wParam> <lParam>"

// Moves the calling thread to a desktop of the program's own, made on first use: EnumWindows and
// HWND_BROADCAST reach only the windows of the thread's desktop, so no other program's windows
// or events take part. False when it could not.
bool EnterPrivateDesktop();

class ToolWindow {
 public:
  // A window on the calling thread's desktop with the marker value (0: none).
  explicit ToolWindow(uintptr_t marker);
  ToolWindow(const ToolWindow&) = delete;
  ToolWindow& operator=(const ToolWindow&) = delete;
  ~ToolWindow();

  [[nodiscard]] HWND window() const { return window_; }
  // True when this window comes before the other in EnumWindows order.
  [[nodiscard]] bool Precedes(const ToolWindow& other) const;
  [[nodiscard]] Events Logged() const;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  mutable std::mutex mutex_;
  Events events_;
  std::thread thread_;
};

}  // namespace kq::wintest
