#include "platform/windowless_dialogs.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "common/utf.h"
#include "platform/exit_request.h"
#include "platform/ui_log.h"

namespace kq::platform {

std::string UiLogField(std::u16string_view text) {
  std::u16string clean(text);
  for (char16_t& c : clean) {
    if (c < 0x20 || c == 0x7F) {
      c = u' ';
    }
  }
  return Utf16ToUtf8(clean);
}

void ReportNoWindow(std::string_view logKind, uint32_t reason) {
  WriteUiLogLine("NOWINDOW " + std::string(logKind) + " " + std::to_string(reason));
}

int RunWindowlessWait(const WaitView& view, WaitLogic& logic) {
  using Clock = std::chrono::steady_clock;
  const bool countdown = !view.countdownLabel.empty();
  const std::string head = view.logKind + " " + UiLogField(view.caption) + "\t";
  ExitRequestListener listener;
  // A countdown shows "0" until the first tick reads the key; a warning shows its text once.
  int32_t shown = 0;
  WriteUiLogLine("WAIT " + head + (countdown ? std::string("0") : UiLogField(view.message)));

  const auto period = std::chrono::milliseconds(view.timerPeriodMs);
  auto nextTick = Clock::now() + period;
  WaitStep step;
  bool heard = false;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
    const uint32_t waitMs = left.count() > 0 ? static_cast<uint32_t>(left.count()) : 0;
    // One request is enough; a request that stays readable (Win32's event is held signalled for
    // a while) is not taken again, so the wait sleeps to its next tick instead of spinning.
    if (!heard && listener.Wait(waitMs)) {
      heard = true;
      step = logic.OnExitRequest();
    } else {
      if (heard) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
      }
      step = logic.OnTimer();
      nextTick = Clock::now() + period;
      if (countdown && step.secondsShown && *step.secondsShown != shown) {
        shown = *step.secondsShown;
        WriteUiLogLine("WAIT " + head + std::to_string(shown));
      }
    }
    if (step.ends) {
      break;
    }
  }
  WriteUiLogLine("WAITEND " + view.logKind + " " + std::to_string(step.result));
  return step.result;
}

std::optional<size_t> RunWindowlessChooser(const ChooserView& view, ChooserLogic& logic,
                                           ChoiceAsker askUser) {
  WriteUiLogLine("CHOOSE " + view.logKind);
  for (size_t i = 0; i < view.rows.size(); ++i) {
    std::string line = "ROW " + std::to_string(i + 1);
    const auto& cells = view.rows[i];
    for (size_t column = 1; column < cells.size(); ++column) {
      line.push_back('\t');
      line.append(UiLogField(cells[column]));
    }
    WriteUiLogLine(line);
  }
  for (;;) {
    std::optional<ChoiceAnswer> answer = NextQueuedChoice();
    if (!answer && askUser != nullptr) {
      answer = askUser(view);
    }
    if (!answer || answer->kind == ChoiceAnswer::Kind::kCancel) {
      WriteUiLogLine("CHOSEN cancel");
      return std::nullopt;
    }
    // A row that is not in the list leaves nothing selected, as a click beside the rows would.
    std::optional<size_t> selected;
    if (answer->kind == ChoiceAnswer::Kind::kRow && answer->row >= 1 &&
        answer->row <= view.rows.size()) {
      selected = answer->row - 1;
    }
    if (logic.OnOk(selected) && selected) {
      WriteUiLogLine("CHOSEN " + std::to_string(*selected + 1));
      return selected;
    }
  }
}

}  // namespace kq::platform
