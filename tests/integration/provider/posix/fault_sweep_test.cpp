// The CryptoAPI flows that change the key under the fault sweep: a new keyset with its signature
// pair, and the keyset's deletion. After every run with a call failing no handle is open, the last
// error is a code the tables name, and `kqsim check` finds the key's store consistent but for the
// cases listed in kDeletionLeaves.
#include "support/fault_sweep.h"
#include "common/codes.h"
#include "provider_scene.h"

namespace kq::test {
namespace {

using ProviderFaultSweep = ProviderScene;

// What the deletion's own order leaves when a call fails half-way (see docs/fuzzing.md): an object
// file is deleted before its index slot is released, and the key objects go before the container
// that refers to them (deleting the keyset again removes what is left).
constexpr AcceptedInconsistency kDeletionLeaves[] = {
    {"GetFileLen", "which does not exist"},
    {"ReadFile", "which does not exist"},
    {"WriteFile", "which does not exist"},
    {"DeleteFile", "which no index lists"},
};

TEST_F(ProviderFaultSweep, KeysetCreationAndDeletionSurviveEveryFailingCall) {
  const std::string key = AddKey({.button = "none"});
  size_t inconsistent = 0;
  const auto judge = [&](const char* flow, std::span<const AcceptedInconsistency> accepted) {
    return [this, &key, &inconsistent, flow, accepted](const FaultRun& run) {
      inconsistent += run.consistent ? 0 : 1;
      EXPECT_EQ(scene_.OpenHandles(key), 0) << flow << " with " << run.plan;
      EXPECT_NE(FindCode(CodeFamily::kCryptoApi, run.code), nullptr)
          << flow << " with " << run.plan << " fails with 0x" << std::hex << run.code;
      EXPECT_TRUE(run.consistent || IsAccepted(accepted, run))
          << flow << " with " << run.plan << ":\n"
          << run.problems;
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
  const size_t creations = SweepFaults(scene_, key, create, judge("a new keyset", {}));
  EXPECT_GT(creations, 30u);

  ASSERT_EQ(create(), 0u);
  const size_t deletions = SweepFaults(
      scene_, key,
      [&] {
        KqHandle prov = 0;
        return P().CPAcquireContext(&prov, "sweep", kDeleteKeyset, nullptr) ? 0 : Error();
      },
      judge("the keyset's deletion", kDeletionLeaves));
  std::printf(
      "CryptoAPI flows: %zu runs for a new keyset, %zu for its deletion, %zu inconsistent keys "
      "among the accepted cases\n",
      creations, deletions, inconsistent);
}

}  // namespace
}  // namespace kq::test
