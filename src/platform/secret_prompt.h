#pragma once
// Asking for a secret (a PIN) on the terminal: the prompt goes to standard error and the answer
// is read from standard input without echo, only when standard input is a terminal (POSIX) or a
// console (Win32).

#include <optional>
#include <string_view>

#include "common/secret.h"

namespace kq::platform {

[[nodiscard]] bool StandardInputIsTerminal();

// One line without its line end; nothing when standard input is not a terminal or is at its end.
std::optional<SecretString> ReadSecretLine(std::string_view prompt);

}  // namespace kq::platform
