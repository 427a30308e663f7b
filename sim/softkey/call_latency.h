#pragma once
// The time a real key takes to answer: every call to it is a USB exchange of several
// milliseconds, so an operation's latency is set by how many calls it makes. KQSIM_LATENCY_MS
// (a whole number of milliseconds, read at every call) makes each ZANT_ operation of the soft key
// take that long at least; unset, empty or malformed, calls answer at once.

#include <chrono>
#include <optional>
#include <string_view>

namespace kq::sim {

inline constexpr char kLatencyVariable[] = "KQSIM_LATENCY_MS";

// The delay a value of KQSIM_LATENCY_MS asks for: decimal digits only, at most one minute.
std::optional<std::chrono::milliseconds> ParseLatency(std::string_view text);

// Waits as long as KQSIM_LATENCY_MS says, once per device call.
void WaitLikeUsbExchange();

}  // namespace kq::sim
