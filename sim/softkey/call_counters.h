#pragma once
// Counters of calls per operation and of open handles, so tests can show that every path closes
// what it opened. Each key directory has a file "counters" with one "name value" line per
// counter: "ZANT_<operation>" for the calls made with a handle on that key (ZANT_OpenDev counted
// on the key it opened), and "handles_open" for handles opened and not yet closed. The root has
// its own "counters" file for the calls that name no key: ZANT_EnumDev, ZANT_GetDevNum, opens of
// an unknown reader ("open_failed") and calls with a closed or unknown handle
// ("invalid_handle"), and "pin_entry_calls": the device calls the soft PIN-entry library made
// itself, which the provider calling it does not control. Callers hold the lock of the directory
// whose counters they change.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace kq::sim {

inline constexpr char kCountersFileName[] = "counters";
inline constexpr char kHandlesOpenCounter[] = "handles_open";
inline constexpr char kPinEntryCallsCounter[] = "pin_entry_calls";

using Counters = std::map<std::string, int64_t, std::less<>>;

Counters ReadCounters(const std::filesystem::path& directory);
// Adds `delta` to each named counter in one rewrite of the file.
bool AddToCounters(const std::filesystem::path& directory,
                   std::initializer_list<std::pair<std::string_view, int64_t>> deltas);
// Sets the call counters back to zero; handles_open keeps its value.
bool ClearCounters(const std::filesystem::path& directory);

}  // namespace kq::sim
