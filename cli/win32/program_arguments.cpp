#include <windows.h>

#include <shellapi.h>

#include "common/utf.h"
#include "program_arguments.h"

namespace kq::cli {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
  }
  std::vector<std::string> tokens;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view word(words[i]);
    tokens.push_back(Utf16ToUtf8(std::u16string(word.begin(), word.end())));
  }
  LocalFree(words);
  return tokens;
}

}  // namespace kq::cli
