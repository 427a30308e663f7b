#pragma once
// Fault plans: make the n-th call of a named operation fail with a given status, so tests can
// walk error paths. A plan is a list of entries "operation:n:status" (n followed by "+" also
// fails every later call), separated by commas or new lines; the operation may be written with
// or without its ZANT_ prefix.
//
// Two plans apply to every operation of the device library:
// - KQSIM_FAULTS in the environment, counted within the process from the moment the variable
//   took its current value (a new value starts a new count);
// - the file "faults" in the soft-key root (written by `kqsim fault`), counted across processes:
//   the file keeps each entry's calls still to go and drops an entry once it has fired.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

inline constexpr char kFaultPlanFileName[] = "faults";
inline constexpr char kFaultPlanVariable[] = "KQSIM_FAULTS";

struct FaultEntry {
  std::string operation;  // with its ZANT_ prefix
  uint32_t nth = 1;       // the call that fails, counted from 1
  bool repeat = false;    // every later call fails too
  uint32_t status = 0;
};

std::optional<std::vector<FaultEntry>> ParseFaultPlan(std::string_view text);
std::string FormatFaultPlan(const std::vector<FaultEntry>& plan);

// Counts one call of `operation` against a plan whose counts are calls still to go; returns the
// status to fail with when this call is the planned one, and updates the plan.
std::optional<uint32_t> CountCallAgainstPlan(std::vector<FaultEntry>& plan,
                                             std::string_view operation);

// The two plans above, for one call of `operation` on a key under `root`.
std::optional<uint32_t> TakeEnvironmentFault(std::string_view operation);
std::optional<uint32_t> TakeRootFault(const std::filesystem::path& root,
                                      std::string_view operation);

// The plan file of a root: read, replace, clear (kqsim fault).
std::vector<FaultEntry> ReadRootFaultPlan(const std::filesystem::path& root);
[[nodiscard]] bool WriteRootFaultPlan(const std::filesystem::path& root,
                                      const std::vector<FaultEntry>& plan);

}  // namespace kq::sim
