#include "platform/ui_log.h"

namespace kq::platform {

// Windows shows real dialogs; there is no UI log.
void WriteUiLogLine(std::string_view /*line*/) {}

}  // namespace kq::platform
