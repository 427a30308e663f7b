#pragma once
// The common frame of every ZANT_ operation: no exception leaves it, the call is counted, the
// fault plans are applied, the handle is checked, the key is locked and its state loaded, and a
// changed state is saved afterwards.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "device_library/key_access.h"
#include "device_library/open_keys.h"

namespace kq::sim {

using KeyOperation = std::function<uint32_t(OpenKey&, KeyAccess&)>;

// An operation on the key behind `handle`.
uint32_t RunOnKey(std::string_view operation, ZANT_HANDLE handle, const KeyOperation& body);

// An operation that names no key (ZANT_EnumDev, ZANT_GetDevNum); counted in the root's counters.
uint32_t RunWithoutKey(std::string_view operation, const std::function<uint32_t()>& body);

// The fault planned for this call of `operation`, if any.
std::optional<uint32_t> PlannedFault(std::string_view operation, const std::filesystem::path& root);

// Counts calls that name no key, or no valid one, in the root's counters (when the root exists).
void CountInRoot(const std::filesystem::path& root,
                 std::initializer_list<std::pair<std::string_view, int64_t>> deltas);

// The usual output rule: a null length is refused; a null buffer asks for the size; a short
// buffer gets the size and 0x6700; otherwise the data is copied and its size stored.
uint32_t CopyOut(std::span<const uint8_t> data, uint8_t* buffer, uint32_t* length);

// Starts a button wait on the handle for an operation, or completes it at once when the key's
// policy says "none". The state's policy moves on by one step.
struct WaitStart {
  uint32_t status = 0;             // 0x61xx while waiting, else the operation's own status
  std::optional<WaitResult> done;  // set when the operation completed without a wait
};
WaitStart StartButtonWait(OpenKey& open, KeyAccess& access, size_t resultLength,
                          WaitCompletion completion);

}  // namespace kq::sim
