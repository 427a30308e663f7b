#pragma once
// Blanks (spaces, tabs, line ends) cut from both ends of a text, as read from files and variables.

#include <string_view>

namespace kq {

std::string_view TrimBlanks(std::string_view text);

}  // namespace kq
