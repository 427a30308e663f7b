// Reads a file's VERSIONINFO through version.dll, as the installer and Explorer do, so that a
// support desk can tell one build from another with `kqtool --version FILE...`.
#include <windows.h>

#include <vector>

#include "file_version.h"

namespace kq::cli {

namespace {

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

std::string Narrow(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(length > 0 ? static_cast<size_t>(length) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
  narrow.resize(strlen(narrow.c_str()));
  return narrow;
}

}  // namespace

bool DescribeFileVersion(const std::string& path, std::string& line) {
  const std::wstring file = Wide(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
    line = "no version resource (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation)) {
    line = "no translation in the version resource";
    return false;
  }
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
           translation->codePage);
  line.clear();
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"FileDescription",
                              L"OriginalFilename"}) {
    wchar_t* value = nullptr;
    UINT characters = 0;
    const std::wstring query = std::wstring(prefix) + name;
    const bool found = VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                      &characters) &&
                       characters > 0;
    line += (line.empty() ? "" : "; ") + Narrow(name) + "=" + (found ? Narrow(value) : "");
  }
  return true;
}

}  // namespace kq::cli
