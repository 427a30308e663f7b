#pragma once
// The bank tool's windows, each on a thread of its own, that may carry the tool-window marker
// property and log every notification they receive.
#include <windows.h>

#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win/support/dialog_driver.h"

namespace kq::wintest {

using Events = std::vector<std::string>;  // "<name> <wParam> <lParam>"

// An export of the provider loaded by name alone, as the bank's tools load it, which finds the
// system's copy.
template <typename Fn>
Fn* ToolExport(const char* name) {
  static const HMODULE module = LoadLibraryW(L"kqcsp.dll");
  return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

inline constexpr std::string_view kRefreshPinEvent = "KQ_ORV_TOOL_REFRESHPIN";

// Only the PIN broadcasts, or only the others.
inline Events Only(Events events, bool pinBroadcasts) {
  std::erase_if(events,
                [&](const auto& e) { return e.starts_with(kRefreshPinEvent) != pinBroadcasts; });
  return events;
}

// What a tool does on a key or certificate event, as a bank's tool refreshes its view; its answer
// is logged as "handled <answer>" once it returns.
using EventHandler = std::function<std::string()>;

// Moves the calling thread to a desktop of the program's own, made on first use: EnumWindows and
// HWND_BROADCAST reach only the windows of the thread's desktop, so no other program's windows
// or events take part. False when it could not.
inline bool EnterPrivateDesktop() {
  static const HDESK desktop =
      CreateDesktopW((L"kqtest-" + std::to_wstring(GetCurrentProcessId())).c_str(), nullptr,
                     nullptr, 0, GENERIC_ALL, nullptr);
  return desktop != nullptr && SetThreadDesktop(desktop);
}

class ToolWindow {
 public:
  // A window on the calling thread's desktop with the marker value (0: none).
  explicit ToolWindow(uintptr_t marker, EventHandler onEvent = {}) : onEvent_(std::move(onEvent)) {
    std::promise<HWND> created;
    thread_ = std::thread([&, desktop = GetThreadDesktop(GetCurrentThreadId())] {
      SetThreadDesktop(desktop);
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = Procedure;
      windowClass.lpszClassName = L"KqToolWindow";
      RegisterClassW(&windowClass);  // fails harmlessly when an earlier window registered it
      const HWND window =
          CreateWindowExW(0, windowClass.lpszClassName, L"tool", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                          100, nullptr, nullptr, nullptr, this);
      if (window != nullptr && marker != 0) {
        SetPropW(window, kMarker, reinterpret_cast<HANDLE>(marker));
      }
      ShowWindow(window, SW_SHOWNOACTIVATE);
      created.set_value(window);
      MSG message;
      while (window != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
      }
    });
    window_ = created.get_future().get();
  }
  ToolWindow(const ToolWindow&) = delete;
  ToolWindow& operator=(const ToolWindow&) = delete;
  ~ToolWindow() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }

  [[nodiscard]] HWND window() const { return window_; }
  // True when this window comes before the other in EnumWindows order.
  [[nodiscard]] bool Precedes(const ToolWindow& other) const {
    HWND next = window_;
    while (next != nullptr && next != other.window_) {
      next = GetWindow(next, GW_HWNDNEXT);
    }
    return next != nullptr;
  }
  [[nodiscard]] Events Logged() const {
    const std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  static constexpr wchar_t kMarker[] = L"{9989C252-62B0-0ORV-975A-C275013499656}";

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(
                            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* tool = reinterpret_cast<ToolWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    for (const char* name : {"KQ_ORV_GENKEYPAIRMSGID", "KQ_ORV_IMPORTCERTMSGID",
                             "KQ_ORV_INITUSBKEYMSGID", "KQ_ORV_TOOL_REFRESHPIN"}) {
      if (tool != nullptr && message == RegisterWindowMessageA(name)) {
        const std::string event =
            std::string(name) + " " + std::to_string(wParam) + " " + std::to_string(lParam);
        tool->Log(event);
        if (tool->onEvent_ && !event.starts_with(kRefreshPinEvent)) {
          tool->Log("handled " + tool->onEvent_());
        }
        return 0;
      }
    }
    if (message == WM_DESTROY) {
      RemovePropW(window, kMarker);
      PostQuitMessage(0);
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Log(std::string line) {
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(line));
  }

  EventHandler onEvent_;
  HWND window_ = nullptr;
  mutable std::mutex mutex_;
  Events events_;
  std::thread thread_;
};

// The PIN broadcasts (posted), or the key and certificate events (sent without waiting for the
// tool), once `count` have arrived or 20 s have passed.
inline Events Arrived(const ToolWindow& tool, size_t count, bool pinBroadcasts = false) {
  PollFor(std::chrono::seconds(20),
          [&] { return Only(tool.Logged(), pinBroadcasts).size() >= count; });
  return Only(tool.Logged(), pinBroadcasts);
}

}  // namespace kq::wintest
