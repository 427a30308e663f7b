#include "platform/secret_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <string>

namespace kq::platform {

bool IsTerminal(int fd) {
  return isatty(fd) == 1;
}

std::optional<SecretString> ReadSecretLine(std::string_view prompt, int fd) {
  if (!IsTerminal(fd)) {
    return std::nullopt;
  }
  (void)!write(STDERR_FILENO, prompt.data(), prompt.size());
  termios saved{};
  const bool quiet = tcgetattr(fd, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &silent);
  }
  std::string line;
  line.reserve(128);  // no reallocation leaves pieces of the secret behind
  bool ended = false;
  char c = 0;
  while (true) {
    const ssize_t n = read(fd, &c, 1);
    if (n <= 0) {
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
  if (quiet) {
    tcsetattr(fd, TCSAFLUSH, &saved);
  }
  (void)!write(STDERR_FILENO, "\n", 1);
  SecretString secret(std::move(line));
  if (ended) {
    return std::nullopt;
  }
  return secret;
}

}  // namespace kq::platform
