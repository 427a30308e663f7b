#pragma once
// A desktop of one test's own, for the calling thread and the tool-window processes it starts:
// EnumWindows and HWND_BROADCAST reach only the windows of the thread's desktop, so no other
// program's windows take part, and the desktop's window is made afresh by a process that runs
// on the test's display.
#include <windows.h>

#include <string>

namespace kq::wintest {

class PrivateDesktop {
 public:
  PrivateDesktop()
      : name_(L"kqtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(GetTickCount64())),
        previous_(GetThreadDesktop(GetCurrentThreadId())),
        desktop_(CreateDesktopW(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr)) {
    entered_ = desktop_ != nullptr && SetThreadDesktop(desktop_) != FALSE;
  }
  PrivateDesktop(const PrivateDesktop&) = delete;
  PrivateDesktop& operator=(const PrivateDesktop&) = delete;
  ~PrivateDesktop() {
    if (entered_) {
      SetThreadDesktop(previous_);
    }
    if (desktop_ != nullptr) {
      CloseDesktop(desktop_);
    }
  }

  // True when the calling thread now works on this desktop.
  [[nodiscard]] bool entered() const { return entered_; }
  // The name that STARTUPINFOW::lpDesktop takes.
  [[nodiscard]] const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
  HDESK previous_;
  HDESK desktop_;
  bool entered_ = false;
};

}  // namespace kq::wintest
