#pragma once
// The POSIX user interface's log: every message box and dialog event is one UTF-8 line, written
// to the file named by KQCSP_UI_LOG (opened for appending) or to standard error. On Windows the
// dialogs are real windows and nothing is logged.

#include <string_view>

namespace kq::platform {

// Writes one line (a newline is added). Lines from several threads or processes never interleave.
void WriteUiLogLine(std::string_view line);

}  // namespace kq::platform
