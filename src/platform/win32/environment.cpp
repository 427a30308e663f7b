#include <windows.h>

#include "common/utf.h"

#include <cstdlib>

#include "platform/environment.h"

namespace kq::platform {

namespace {
std::wstring Widen(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}
}  // namespace

// Both the process block (GetEnvironmentVariableW, child processes) and the C runtime's copy
// (getenv) are changed.
void SetEnvironmentValue(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(Widen(name).c_str(), Widen(value).c_str());
  _wputenv_s(Widen(name).c_str(), Widen(value).c_str());
}

void UnsetEnvironmentValue(const std::string& name) {
  SetEnvironmentVariableW(Widen(name).c_str(), nullptr);
  _wputenv_s(Widen(name).c_str(), L"");
}

}  // namespace kq::platform
