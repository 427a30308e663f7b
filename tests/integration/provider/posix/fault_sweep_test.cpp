// The CryptoAPI flows that change the key under the fault sweep: a new keyset with its signature
// pair, and the keyset's deletion. After every run with a call failing no handle is open, the last
// error is a code the tables name, and `kqsim check` finds the key's store consistent but for the
// cases listed in kDeletionLeaves, which `kqtool repair` then puts right.
#include "support/fault_sweep.h"
#include "common/codes.h"
#include "provider_scene.h"

namespace kq::test {
namespace {

using ProviderFaultSweep = ProviderScene;

// What the deletion's own order leaves when a call fails half-way (see docs/fuzzing.md): an
// object's index slot is released before its file is deleted, so a failing deletion leaves a file
// that nothing names (deleting the keyset again, or the repair, removes it).
constexpr AcceptedInconsistency kDeletionLeaves[] = {{"DeleteFile", "is named by nothing"}};

// What creation rides out besides a failing close: the login asks for the PIN when the PIN query
// fails. The deletion rides out kObjectDeletionSkips.
constexpr const char* kCreationSkips[] = {"CloseDev", "GetPINInfo"};

TEST_F(ProviderFaultSweep, KeysetCreationAndDeletionSurviveEveryFailingCall) {
  const std::string key = AddKey({.button = "none"});
  const auto judge = [&](const char* flow, std::span<const AcceptedInconsistency> accepted,
                         RiddenOut riddenOut) {
    return [this, &key, flow, accepted, riddenOut](const FaultRun& run) {
      const std::string what = std::string(flow) + " with " + run.plan;
      EXPECT_EQ(scene_.OpenHandles(key), 0) << what;
      EXPECT_TRUE(FailedAsPlanned(run, riddenOut)) << what << " succeeds";
      EXPECT_NE(FindCode(CodeFamily::kCryptoApi, run.code), nullptr) << what << ": " << run.code;
      EXPECT_TRUE(run.consistent || IsAccepted(accepted, run)) << what << ":\n" << run.problems;
      // What is accepted is repaired: `kqtool repair` leaves the key consistent.
      EXPECT_TRUE(run.consistent || RepairedToConsistent(scene_, key)) << what;
    };
  };
  const auto create = [&] {
    KqHandle prov = 0;
    if (!P().CPAcquireContext(&prov, "sweep", kNewKeyset, nullptr)) {
      return Error();
    }
    KqHandle pair = 0;
    const uint32_t code = P().CPGenKey(prov, kAtSignature, 0, &pair) ? 0 : Error();
    P().CPReleaseContext(prov, 0);
    return code;
  };
  EXPECT_GT(SweepFaults(scene_, key, create, judge("a new keyset", {}, kCreationSkips)), 30u);
  ASSERT_EQ(create(), 0u);
  const auto remove = [&] {
    KqHandle prov = 0;
    return P().CPAcquireContext(&prov, "sweep", kDeleteKeyset, nullptr) ? 0 : Error();
  };
  EXPECT_GT(SweepFaults(scene_, key, remove,
                        judge("the keyset's deletion", kDeletionLeaves, kObjectDeletionSkips)),
            0u);
}

}  // namespace
}  // namespace kq::test
