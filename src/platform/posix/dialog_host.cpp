#include "platform/dialog_host.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/windowless_dialogs.h"

namespace kq::platform {

namespace {

void WriteToTerminal(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

// With no queued answer left, a person at the terminal chooses; anyone else cancels.
std::optional<ChoiceAnswer> AskOnTerminal(const ChooserView& view) {
  if (isatty(STDIN_FILENO) == 0) {
    return std::nullopt;
  }
  std::string table = UiLogField(view.title) + "\n";
  if (!view.prompt.empty()) {
    table += UiLogField(view.prompt) + "\n";
  }
  for (const ChooserColumn& column : view.columns) {
    table += UiLogField(column.heading) + "\t";
  }
  table += "\n";
  for (const auto& row : view.rows) {
    for (const std::u16string& cell : row) {
      table += UiLogField(cell) + "\t";
    }
    table += "\n";
  }
  table += "[1-" + std::to_string(view.rows.size()) + ", cancel]: ";
  WriteToTerminal(table);
  char line[256];
  if (std::fgets(line, sizeof line, stdin) == nullptr) {
    return std::nullopt;
  }
  return ParseChoice(line);
}

}  // namespace

int RunWaitDialog(const WaitView& view, WaitLogic& logic) {
  return RunWindowlessWait(view, logic);
}

std::optional<size_t> RunChooserDialog(const ChooserView& view, ChooserLogic& logic) {
  return RunWindowlessChooser(view, logic, AskOnTerminal);
}

}  // namespace kq::platform
