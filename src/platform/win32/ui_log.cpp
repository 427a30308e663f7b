#include <windows.h>

#include <string>

#include "platform/ui_log.h"

namespace kq::platform {

namespace {

// KQCSP_UI_LOG as a wide path; empty when unset.
std::wstring UiLogPath() {
  const DWORD needed = GetEnvironmentVariableW(L"KQCSP_UI_LOG", nullptr, 0);
  if (needed <= 1) {
    return {};
  }
  std::wstring path(needed, L'\0');
  const DWORD got = GetEnvironmentVariableW(L"KQCSP_UI_LOG", path.data(), needed);
  path.resize(got < needed ? got : 0);
  return path;
}

}  // namespace

// Windows shows real dialogs, so a line is written only for what happens without them (a wait
// whose window could not be made): to the debugger's output, and appended to KQCSP_UI_LOG when
// that names a file.
void WriteUiLogLine(std::string_view line) {
  std::string record(line);
  record.push_back('\n');
  OutputDebugStringA(record.c_str());
  const std::wstring path = UiLogPath();
  if (path.empty()) {
    return;
  }
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace kq::platform
