#pragma once
// The dialogs of a user interface without windows, shared by the backends until a platform has
// real dialogs: a wait is a timer loop that reports its events to the UI log, a chooser lists its
// rows in the UI log and takes its answers from KQCSP_UI_CHOICES, then from the backend's asker.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/choice_queue.h"
#include "platform/dialog_host.h"

namespace kq::platform {

// Asks the user for an answer when the queue is empty; nullopt cancels the chooser.
using ChoiceAsker = std::optional<ChoiceAnswer> (*)(const ChooserView& view);

int RunWindowlessWait(const WaitView& view, WaitLogic& logic);
std::optional<size_t> RunWindowlessChooser(const ChooserView& view, ChooserLogic& logic,
                                           ChoiceAsker askUser);

// The one line that says a dialog's window could not be made and what happens instead:
//   NOWINDOW <kind> <reason>   (kind as in WAIT or CHOOSE; reason: the system's error number)
// A wait then runs without its window, a chooser ends as cancelled ("CHOSEN nowindow").
void ReportNoWindow(std::string_view logKind, uint32_t reason);

// A text as one field of a UI log line: UTF-8, with tabs, line ends and other control
// characters turned into blanks so that the line keeps its shape whatever the text holds.
std::string UiLogField(std::u16string_view text);

}  // namespace kq::platform
