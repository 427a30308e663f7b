#include "dialog_driver.h"

#include <commctrl.h>

#include <vector>

namespace kq::test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr wchar_t kLanguageKey[] = L"SOFTWARE\\KQVN\\Orvenia";

struct DialogSearch {
  int controlId;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialogWithControl(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) != FALSE &&
      lstrcmpW(className, L"#32770") == 0 && GetDlgItem(window, search->controlId) != nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

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

}  // namespace

BackgroundCall::BackgroundCall(std::function<BOOL()> call) : call_(std::move(call)) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
}

DWORD WINAPI BackgroundCall::Run(void* self) {
  auto* call = static_cast<BackgroundCall*>(self);
  call->result_ = call->call_();
  call->error_ = GetLastError();
  return 0;
}

BackgroundCall::~BackgroundCall() {
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
}

bool BackgroundCall::Finish(std::chrono::milliseconds within) {
  return WaitForSingleObject(thread_, static_cast<DWORD>(within.count())) == WAIT_OBJECT_0;
}

HWND WaitForDialog(int controlId, std::chrono::milliseconds within) {
  return PollFor(within, [controlId] {
    DialogSearch search{controlId};
    EnumWindows(FindDialogWithControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
  });
}

HWND WaitForMessageBox(std::chrono::milliseconds within) {
  return WaitForDialog(kMessageBoxTextId, within);
}

bool WaitUntilGone(HWND window, std::chrono::milliseconds within) {
  return PollFor(within, [window] { return IsWindow(window) == FALSE; });
}

std::wstring WindowText(HWND window) {
  std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1);
  const int n = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return {buffer.data(), static_cast<size_t>(n)};
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
  auto handle = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, controlId, WM_GETFONT, 0, 0));
  GetObjectW(handle, sizeof font, &font);
  return font;
}

std::wstring ListHeading(HWND list, int column) {
  wchar_t buffer[256] = {};
  LVCOLUMNW query{};
  query.mask = LVCF_TEXT;
  query.pszText = buffer;
  query.cchTextMax = 256;
  SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&query));
  return buffer;
}

std::wstring ListCell(HWND list, int row, int column) {
  wchar_t buffer[256] = {};
  LVITEMW query{};
  query.iSubItem = column;
  query.pszText = buffer;
  query.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&query));
  return buffer;
}

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

void SelectListRow(HWND list, std::optional<int> row) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  if (row) {
    LVITEMW selected{};
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(*row),
                 reinterpret_cast<LPARAM>(&selected));
  }
}

void ClickButton(HWND dialog, int buttonId) {
  PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

LanguageSetting::LanguageSetting(DWORD languageId) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLanguageKey, 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExW(key, L"LanguageID", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &size) == ERROR_SUCCESS) {
    earlier_ = value;
  }
  RegSetValueExW(key, L"LanguageID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&languageId),
                 sizeof languageId);
  RegCloseKey(key);
}

LanguageSetting::~LanguageSetting() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLanguageKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  if (earlier_) {
    RegSetValueExW(key, L"LanguageID", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*earlier_),
                   sizeof *earlier_);
  } else {
    RegDeleteValueW(key, L"LanguageID");
  }
  RegCloseKey(key);
}

}  // namespace kq::test
