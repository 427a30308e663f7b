#pragma once
// kqtool's help texts and its table of commands.

#include <string>
#include <string_view>

#include "command.h"

namespace kq::cli {

const CommandSpec* FindCommand(std::string_view name);
std::string GeneralHelp();
// Empty when there is no such command.
std::string CommandHelp(std::string_view name);

}  // namespace kq::cli
