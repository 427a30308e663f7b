#include "softkey/call_latency.h"

#include <cstdlib>
#include <thread>

namespace kq::sim {

namespace {

constexpr std::chrono::milliseconds kLongestLatency{60000};

}  // namespace

std::optional<std::chrono::milliseconds> ParseLatency(std::string_view text) {
  if (text.empty() || text.size() > 5) {
    return std::nullopt;
  }
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  const std::chrono::milliseconds latency{value};
  if (latency > kLongestLatency) {
    return std::nullopt;
  }
  return latency;
}

void WaitLikeUsbExchange() {
  const char* value = std::getenv(kLatencyVariable);
  if (value == nullptr) {
    return;
  }
  const std::optional<std::chrono::milliseconds> latency = ParseLatency(value);
  if (latency && latency->count() > 0) {
    std::this_thread::sleep_for(*latency);
  }
}

}  // namespace kq::sim
