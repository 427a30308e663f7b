#pragma once
// Facts about the console a command-line program writes to.

namespace kq::platform {

// True when standard error is a terminal, where a line may be redrawn in place.
bool StandardErrorIsTerminal();

}  // namespace kq::platform
