#include <io.h>
#include <windows.h>

#include <string>

#include "platform/secret_prompt.h"

namespace kq::platform {

namespace {

HANDLE HandleOf(int fd) {
  return fd == 0 ? GetStdHandle(STD_INPUT_HANDLE) : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

bool IsTerminal(int fd) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(fd), &mode) != 0;
}

std::optional<SecretString> ReadSecretLine(std::string_view prompt, int fd) {
  HANDLE input = HandleOf(fd);
  DWORD saved = 0;
  if (!GetConsoleMode(input, &saved)) {
    return std::nullopt;
  }
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), prompt.data(), static_cast<DWORD>(prompt.size()),
            &written, nullptr);
  SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string line;
  line.reserve(128);  // no reallocation leaves pieces of the secret behind
  bool ended = false;
  while (true) {
    char c = 0;
    DWORD got = 0;
    if (!ReadFile(input, &c, 1, &got, nullptr) || got == 0) {
      ended = line.empty();
      break;
    }
    if (c == '\n') {
      break;
    }
    if (c != '\r') {
      line.push_back(c);
    }
  }
  SetConsoleMode(input, saved);
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), "\r\n", 2, &written, nullptr);
  SecretString secret(std::move(line));
  if (ended) {
    return std::nullopt;
  }
  return secret;
}

}  // namespace kq::platform
