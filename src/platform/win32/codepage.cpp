#include "platform/codepage.h"

#include <windows.h>

#include <climits>

namespace kq::platform {

namespace {
constexpr UINT kCodePage = 936;
}

bool WideToCp936(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) {
    return true;
  }
  if (text.size() > INT_MAX / 2) {
    return false;
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(kCodePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed < 1) {
    return false;
  }
  out.resize(static_cast<size_t>(needed));
  const int written =
      WideCharToMultiByte(kCodePage, 0, wide, length, out.data(), needed, nullptr, nullptr);
  if (written != needed) {
    out.clear();
    return false;
  }
  return true;
}

bool Cp936ToWide(std::string_view bytes, std::u16string& out) {
  out.clear();
  if (bytes.empty()) {
    return true;
  }
  if (bytes.size() > INT_MAX) {
    return false;
  }
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(kCodePage, 0, bytes.data(), length, nullptr, 0);
  if (needed < 1) {
    return false;
  }
  out.resize(static_cast<size_t>(needed));
  const int written = MultiByteToWideChar(kCodePage, 0, bytes.data(), length,
                                          reinterpret_cast<wchar_t*>(out.data()), needed);
  if (written != needed) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace kq::platform
