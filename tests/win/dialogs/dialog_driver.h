#pragma once
// Driving the provider's dialogs as a user would, from another thread of the process that runs
// them: an operation runs on its own thread (the dialog runs modally there), and the test finds
// the dialog among the process's top-level windows and works with it through window messages.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace kq::test {

inline constexpr wchar_t kProviderName[] = L"KQCSP For ORV v2.0";
inline constexpr uint32_t kCancelledByUser = 0x8010006E;

// A caller's operation on a thread of its own; its result and last error once it has ended.
class BackgroundCall {
 public:
  explicit BackgroundCall(std::function<BOOL()> call);
  BackgroundCall(const BackgroundCall&) = delete;
  BackgroundCall& operator=(const BackgroundCall&) = delete;
  ~BackgroundCall();

  // Waits for the end of the call; false when it has not ended within the time.
  bool Finish(std::chrono::milliseconds within = std::chrono::seconds(20));
  [[nodiscard]] BOOL result() const { return result_; }
  [[nodiscard]] DWORD error() const { return error_; }
  [[nodiscard]] DWORD threadId() const { return threadId_; }

 private:
  static DWORD WINAPI Run(void* self);

  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  std::function<BOOL()> call_;
  BOOL result_ = FALSE;
  DWORD error_ = 0;
};

// The first visible top-level dialog of this process that has a control of this id, waited for
// up to `within`; null when none appears.
HWND WaitForDialog(int controlId, std::chrono::milliseconds within = std::chrono::seconds(10));
// The message box of this process (a dialog with the message box's static text), or null.
HWND WaitForMessageBox(std::chrono::milliseconds within = std::chrono::seconds(10));
// True when the window is gone within the time.
bool WaitUntilGone(HWND window, std::chrono::milliseconds within = std::chrono::seconds(10));

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int controlId);
// The colour a static control's text is drawn in, as its dialog answers WM_CTLCOLORSTATIC.
COLORREF StaticTextColour(HWND dialog, int controlId);
// The font a control draws with.
LOGFONTW ControlFont(HWND dialog, int controlId);

// The list view of a chooser: headings, cells, selection and its item data.
std::wstring ListHeading(HWND list, int column);
std::wstring ListCell(HWND list, int row, int column);
int ListRowCount(HWND list);
void SelectListRow(HWND list, std::optional<int> row);  // nullopt: nothing selected

// A click on a dialog's button, posted so that the test never waits inside the dialog's thread.
void ClickButton(HWND dialog, int buttonId);

// The machine-wide UI language (LanguageID of HKLM\SOFTWARE\KQVN\Orvenia, 64-bit view) for the
// life of the object; the earlier value is put back afterwards.
class LanguageSetting {
 public:
  explicit LanguageSetting(DWORD languageId);
  LanguageSetting(const LanguageSetting&) = delete;
  LanguageSetting& operator=(const LanguageSetting&) = delete;
  ~LanguageSetting();

 private:
  std::optional<DWORD> earlier_;
};

}  // namespace kq::test
