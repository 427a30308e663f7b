#pragma once
// Driving the provider's dialogs as a user would, from another thread of the process that runs
// them: an operation runs on its own thread (its dialog runs modally there), and the test finds
// the dialog among the process's top-level windows and works with it through window messages.
#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>

namespace kq::wintest {

inline constexpr DWORD kCancelledByUser = 0x8010006E;
inline constexpr int kMessageBoxText = 0xFFFF;

// A caller's operation on a thread of its own, on the desktop of the thread that starts it; its
// result and last error once it has ended. The object waits for the end when it goes.
class BackgroundCall {
 public:
  explicit BackgroundCall(std::function<BOOL()> call);

  // Waits for the end of the call; false when it has not ended within the time.
  bool Finish(std::chrono::milliseconds within = std::chrono::seconds(20)) const {
    return done_.wait_for(within) == std::future_status::ready;
  }
  [[nodiscard]] BOOL result() const { return done_.get().first; }
  [[nodiscard]] DWORD error() const { return done_.get().second; }

 private:
  std::shared_future<std::pair<BOOL, DWORD>> done_;
};

// Polls, every 20 ms, until `probe` gives a true value or the time is over; its last value.
template <typename Probe>
auto PollFor(std::chrono::milliseconds within, Probe probe) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  for (;;) {
    auto found = probe();
    if (found || std::chrono::steady_clock::now() >= deadline) {
      return found;
    }
    Sleep(20);
  }
}

// The first visible top-level dialog of this process with a control of this id; null when none
// appears within the time. A message box is the dialog with kMessageBoxText.
HWND WaitForDialog(int controlId, std::chrono::milliseconds within = std::chrono::seconds(10));
bool WaitUntilGone(HWND window, std::chrono::milliseconds within = std::chrono::seconds(10));

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// The colour a static control's text is drawn in, as its dialog answers WM_CTLCOLORSTATIC.
COLORREF StaticTextColour(HWND dialog, int controlId);
LOGFONTW ControlFont(HWND dialog, int controlId);

// A chooser's list view: headings, cells and selection.
std::wstring ListHeading(HWND list, int column);
std::wstring ListCell(HWND list, int row, int column);
void SelectListRow(HWND list, std::optional<int> row);  // nullopt: nothing selected

// A click on a dialog's button, posted so that the test never waits inside the dialog's thread.
void ClickButton(HWND dialog, int buttonId);

// The machine-wide UI language (LanguageID of HKLM\SOFTWARE\KQVN\Orvenia) for the life of the
// object; the deployment's 2052 afterwards.
class LanguageSetting {
 public:
  explicit LanguageSetting(DWORD languageId);
  LanguageSetting(const LanguageSetting&) = delete;
  LanguageSetting& operator=(const LanguageSetting&) = delete;
  ~LanguageSetting();
};

}  // namespace kq::wintest
