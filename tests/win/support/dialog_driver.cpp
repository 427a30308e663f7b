#include "win/support/dialog_driver.h"

#include <commctrl.h>

namespace kq::wintest {

namespace {

constexpr wchar_t kLanguageKey[] = L"SOFTWARE\\KQVN\\Orvenia";

}  // namespace

BackgroundCall::BackgroundCall(std::function<BOOL()> call)
    : done_(std::async(std::launch::async,
                       [call = std::move(call), desktop = GetThreadDesktop(GetCurrentThreadId())] {
                         SetThreadDesktop(desktop);
                         const BOOL result = call();
                         return std::pair<BOOL, DWORD>(result, GetLastError());
                       })) {}

HWND WaitForDialog(int controlId, std::chrono::milliseconds within) {
  return PollFor(within, [controlId] {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
          GetDlgItem(window, controlId) != nullptr) {
        break;
      }
    }
    return window;
  });
}

bool WaitUntilGone(HWND window, std::chrono::milliseconds within) {
  return PollFor(within, [window] { return IsWindow(window) == FALSE; });
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ControlText(HWND dialog, int controlId) {
  return WindowText(GetDlgItem(dialog, controlId));
}

COLORREF StaticTextColour(HWND dialog, int controlId) {
  HDC memory = CreateCompatibleDC(nullptr);
  SetTextColor(memory, RGB(0, 0, 0));
  SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
  const COLORREF colour = GetTextColor(memory);
  DeleteDC(memory);
  return colour;
}

LOGFONTW ControlFont(HWND dialog, int controlId) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, controlId, WM_GETFONT, 0, 0)),
             sizeof font, &font);
  return font;
}

std::wstring ListHeading(HWND list, int column) {
  wchar_t buffer[256] = {};
  LVCOLUMNW query{};
  query.mask = LVCF_TEXT;
  query.pszText = buffer;
  query.cchTextMax = 256;
  ListView_GetColumn(list, column, &query);
  return buffer;
}

std::wstring ListCell(HWND list, int row, int column) {
  wchar_t buffer[256] = {};
  ListView_GetItemText(list, row, column, buffer, 256);
  return buffer;
}

void SelectListRow(HWND list, std::optional<int> row) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row) {
    ListView_SetItemState(list, *row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void ClickButton(HWND dialog, int buttonId) {
  PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

namespace {
// In the 64-bit view, where the provider of either architecture reads it.
void SetLanguage(DWORD languageId) {
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLanguageKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
  RegSetValueExW(key, L"LanguageID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&languageId),
                 sizeof languageId);
  RegCloseKey(key);
}
}  // namespace

LanguageSetting::LanguageSetting(DWORD languageId) {
  SetLanguage(languageId);
}

LanguageSetting::~LanguageSetting() {
  SetLanguage(2052);
}

}  // namespace kq::wintest
