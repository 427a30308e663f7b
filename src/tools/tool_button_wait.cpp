#include "tools/tool_button_wait.h"

namespace kq::tools {

uint32_t AwaitButton(const DeviceSession& session, uint32_t waitKind, uint32_t resultKind,
                     const ui::WaitCodes& codes) {
  return ui::ConfirmOnKey(session.handle(), waitKind, resultKind).Code(codes);
}

}  // namespace kq::tools
