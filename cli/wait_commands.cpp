// `kqtool cancel-waits`: ends every open confirmation wait of this user as cancelled, as the
// registered message "KQ_ORV_EXITALLUKEYDC" does on Windows.
#include "command.h"
#include "platform/exit_request.h"

namespace kq::cli {

namespace {

std::string CancelWaits(Context& /*context*/, const Arguments& /*args*/, Report& report) {
  const int reached = platform::SendExitRequestToAllWaits();
  report.outputs().Set("waits_reached", reached);
  const std::string directory = platform::WaitDirectory();
  if (!directory.empty()) {
    report.outputs().Set("wait_directory", directory);
  }
  return {};
}

constexpr OptionSpec kNone[] = {{"", false}};

constexpr CommandSpec kCommands[] = {
    {"cancel-waits", "", "sends the exit request that ends every open confirmation wait",
     std::span(kNone, 0), CancelWaits, false},
};

}  // namespace

std::span<const CommandSpec> WaitCommands() {
  return kCommands;
}

}  // namespace kq::cli
