#include "win/support/message_box_closer.h"

#include <chrono>

namespace kq::wintest {

MessageBoxCloser::MessageBoxCloser()
    : thread_(GetCurrentThreadId()), watcher_([this] { Watch(); }) {}

MessageBoxCloser::~MessageBoxCloser() {
  stop_ = true;
  watcher_.join();
}

std::vector<std::wstring> MessageBoxCloser::Closed() const {
  const std::lock_guard lock(mutex_);
  return closed_;
}

void MessageBoxCloser::Watch() {
  // A thread sees the windows of its own desktop only: watch on the watched thread's.
  SetThreadDesktop(GetThreadDesktop(thread_));
  while (!stop_) {
    EnumThreadWindows(thread_, Visit, reinterpret_cast<LPARAM>(this));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

BOOL CALLBACK MessageBoxCloser::Visit(HWND window, LPARAM self) {
  auto* closer = reinterpret_cast<MessageBoxCloser*>(self);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) {
    return TRUE;
  }
  const std::lock_guard lock(closer->mutex_);
  if (!closer->answered_.insert(window).second) {
    return TRUE;  // answered already; it closes a few milliseconds later
  }
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  closer->closed_.emplace_back(caption);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

}  // namespace kq::wintest
