#pragma once
// Asking for a secret (a PIN) on the terminal: the prompt goes to standard error and the answer
// is read from `fd` (standard input by default) without echo, only when it is a terminal (POSIX)
// or a console (Win32).

#include <optional>
#include <string_view>

#include "common/secret.h"

namespace kq::platform {

[[nodiscard]] bool IsTerminal(int fd);

// One line without its line end; nothing when `fd` is not a terminal or is at its end.
std::optional<SecretString> ReadSecretLine(std::string_view prompt, int fd = 0);

}  // namespace kq::platform
