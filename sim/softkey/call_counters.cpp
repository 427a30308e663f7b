#include "softkey/call_counters.h"

#include "common/text_trim.h"
#include "softkey/atomic_file.h"
#include "softkey/text_values.h"

namespace kq::sim {

Counters ReadCounters(const std::filesystem::path& directory) {
  Counters counters;
  const std::optional<std::string> text = ReadFileText(directory / kCountersFileName);
  if (!text) {
    return counters;
  }
  for (const std::string_view line : SplitFields(*text, "\n")) {
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
      continue;
    }
    std::string_view value = TrimBlanks(line.substr(blank + 1));
    const bool negative = !value.empty() && value.front() == '-';
    if (negative) {
      value.remove_prefix(1);
    }
    const std::optional<uint64_t> n = ParseNumber64(value);
    if (n) {
      const auto magnitude = static_cast<int64_t>(*n);
      counters[std::string(line.substr(0, blank))] = negative ? -magnitude : magnitude;
    }
  }
  return counters;
}

bool AddToCounters(const std::filesystem::path& directory,
                   std::initializer_list<std::pair<std::string_view, int64_t>> deltas) {
  Counters counters = ReadCounters(directory);
  for (const auto& [name, delta] : deltas) {
    auto it = counters.find(name);
    if (it == counters.end()) {
      it = counters.emplace(std::string(name), 0).first;
    }
    it->second += delta;
  }
  std::string text;
  for (const auto& [name, value] : counters) {
    text.append(name).append(" ").append(std::to_string(value)).append("\n");
  }
  return WriteTextAtomically(directory / kCountersFileName, text);
}

bool ClearCounters(const std::filesystem::path& directory) {
  // Handles still open stay counted, so that their closing later does not go below zero; and a
  // count of none stays, so that "none open" remains told apart from "never counted".
  const Counters counters = ReadCounters(directory);
  const auto open = counters.find(kHandlesOpenCounter);
  if (open == counters.end()) {
    return RemoveFile(directory / kCountersFileName);
  }
  return WriteTextAtomically(
      directory / kCountersFileName,
      std::string(kHandlesOpenCounter) + " " + std::to_string(open->second) + "\n");
}

}  // namespace kq::sim
