#pragma once
// The words of kqtool's command line after the program's name, as UTF-8 where the system gives
// text (Windows: the wide command line, so that a Chinese text is not first squeezed through the
// ANSI code page); as the bytes that were passed on POSIX, where kqtool refuses any that are not
// UTF-8.

#include <string>
#include <vector>

namespace kq::cli {

std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace kq::cli
