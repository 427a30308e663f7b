#pragma once
// The fault sweep: a flow of export calls runs once cleanly to count its calls on a soft key,
// then once for every one of those calls failing in each way a key fails (an error status, a
// short length, an operation the library lacks), each run from the key's state before the clean
// run. Each run must reach its planted fault (the key's counter of the operation passes the
// planted call; SweepFaults checks it), and the test judges the outcome: the flow failed as the
// fault implies, unless the failure is one it rides out; `kqsim check` has judged the key's store.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "support/softkey_scene.h"

namespace kq::test {

struct FaultRun {
  std::string plan;       // the fault plan, "ReadFile:3:0x6F00"
  std::string operation;  // the failing operation, without the ZANT_ prefix
  uint32_t status = 0;    // the status the planted call failed with
  uint32_t code = 0;      // what the flow answered
  bool consistent = false;
  std::string problems;  // what `kqsim check` printed
};

// An inconsistency a flow is known to leave when one of its calls fails.
struct AcceptedInconsistency {
  const char* operation;  // the failing call, without the ZANT_ prefix
  const char* problem;    // part of what `kqsim check` says
};

// Whether the run's inconsistency is one of those listed.
bool IsAccepted(std::span<const AcceptedInconsistency> accepted, const FaultRun& run);

// Calls whose failure a flow rides out and still succeeds: the failing call, without the ZANT_
// prefix. Any other failing call must make the flow fail.
using RiddenOut = std::span<const char* const>;
// A failing close loses nothing: the handle is gone either way.
inline constexpr const char* kClosing[] = {"CloseDev"};
// What deleting a container or replacing a certificate rides out besides a failing close: the
// calls of single objects' deletions, whose failures the deletion does not report.
inline constexpr const char* kObjectDeletionSkips[] = {"CloseDev", "GetFileLen", "ReadFile",
                                                       "WriteFile", "DeleteFile"};
// And what those deletions' order leaves when such a call fails half-way (docs/fuzzing.md): the
// object file goes before its index slot is released, a certificate's directory entry before the
// file it names. `kqtool repair`, or deleting again, puts it right.
inline constexpr AcceptedInconsistency kObjectDeletionLeaves[] = {
    {"GetFileLen", "which does not exist"},
    {"ReadFile", "which does not exist"},
    {"WriteFile", "which does not exist"},
    {"DeleteFile", "is named by nothing"},
};

// Whether the run's answer shows its fault: `code` is not `success`, or the failing call is one
// the flow rides out.
bool FailedAsPlanned(const FaultRun& run, RiddenOut riddenOut = {}, uint32_t success = 0);

// The ways a call fails: an error status, a short length, an operation the library lacks; or the
// first only, for flows whose every call is cheap to fail but many.
inline constexpr uint32_t kAllFailures[] = {0x6F00, 0x6700, 0xE0000001};
inline constexpr uint32_t kOneFailure[] = {0x6F00};

// Runs `kqtool repair` on the key (with the PIN answers of the scene) and then `kqsim check`;
// true when the key is consistent afterwards. The accepted inconsistencies are repaired this way.
bool RepairedToConsistent(SoftKeyScene& scene, const std::string& key);

// Runs the sweep and returns the number of faulted runs; judge sees each of them.
size_t SweepFaults(SoftKeyScene& scene, const std::string& key,
                   const std::function<uint32_t()>& flow,
                   const std::function<void(const FaultRun&)>& judge,
                   std::span<const uint32_t> failures = kAllFailures);

}  // namespace kq::test
