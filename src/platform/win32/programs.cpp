#include <windows.h>

#include "common/utf.h"

#include "platform/programs.h"

namespace kq::platform {

namespace {

std::wstring Widen(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

// Quotes one argument so that the C runtime's command-line parser gives it back unchanged:
// backslashes are doubled only where they precede a quotation mark.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line.push_back(L'"');
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, L'\\');
  line.push_back(L'"');
}

}  // namespace

int RunProgram(const std::vector<std::string>& arguments, const std::string& logPath) {
  if (arguments.empty()) {
    return -1;
  }
  std::wstring line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) {
      line.push_back(L' ');
    }
    AppendQuoted(line, Widen(argument));
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE log =
      CreateFileW(Widen(logPath).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = log;
  startup.hStdError = log;
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  int result = -1;
  if (created != FALSE) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code) != FALSE) {
      result = static_cast<int>(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (log != INVALID_HANDLE_VALUE) {
    CloseHandle(log);
  }
  if (input != INVALID_HANDLE_VALUE) {
    CloseHandle(input);
  }
  return result;
}

std::string CurrentProgramPath() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    return {};
  }
  return Utf16ToUtf8(std::u16string(buffer, buffer + n));
}

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module) == FALSE) {
    return {};
  }
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    return {};
  }
  return Utf16ToUtf8(std::u16string(buffer, buffer + n));
}

}  // namespace kq::platform
