#pragma once
// A kq_tool_window process (tests/win/tool_window) started for one test: its window, the
// notifications it has logged, and its end when the object goes.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kq::wintest {

class ToolWindowProcess {
 public:
  // Starts the program beside this one on the named desktop, with a log in `folder` and the
  // marker value (0: none), and waits until its window exists.
  ToolWindowProcess(const std::wstring& desktop, const std::filesystem::path& folder,
                    const std::string& name, unsigned marker);
  ToolWindowProcess(const ToolWindowProcess&) = delete;
  ToolWindowProcess& operator=(const ToolWindowProcess&) = delete;
  ~ToolWindowProcess();

  [[nodiscard]] HWND window() const { return window_; }
  // When there is no window: what the program logged and how it ended, for the test's message.
  [[nodiscard]] std::string Problem() const;

  // The notifications logged so far, "<name> <wParam> <lParam>".
  [[nodiscard]] std::vector<std::string> Events() const;
  // Waits, a few seconds at most, until `done` holds for the events logged (posted messages
  // arrive when the window's thread next looks); returns the last events read.
  std::vector<std::string> WaitForEvents(
      const std::function<bool(const std::vector<std::string>&)>& done) const;

 private:
  [[nodiscard]] std::vector<std::string> Lines() const;

  std::filesystem::path log_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// The top-level windows in EnumWindows order.
std::vector<HWND> TopLevelWindows();

}  // namespace kq::wintest
