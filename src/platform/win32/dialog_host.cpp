#include "platform/dialog_host.h"

#include "platform/windowless_dialogs.h"

namespace kq::platform {

// Until the resource dialogs arrive the waits run windowless, and a chooser with no queued
// answer cancels.
int RunWaitDialog(const WaitView& view, WaitLogic& logic) {
  return RunWindowlessWait(view, logic);
}

std::optional<size_t> RunChooserDialog(const ChooserView& view, ChooserLogic& logic) {
  return RunWindowlessChooser(view, logic, nullptr);
}

}  // namespace kq::platform
