// What the operation after a failed one does with the key. A deletion or a renewal that fails at
// any device call must leave the key so that the next deletion, a new enrolment and a retry of
// the same call never destroy another container's key pair, and a renewal keeps the old
// certificate or the new one, never none.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "enrolment_fixture.h"
#include "support/fault_sweep.h"

namespace {

using kqtest::Bytes;
using kqtest::EnrolmentTest;

const Bytes kData = kqtest::TransactionMessage("PAY9", "6222 0000 1111", "1.00");

// The key pairs of the tests, one per usage a key holds once: a request text and the subject.
struct Holder {
  const char* request;
  const char* subject;
};
const Holder kAlice{"CN=alice,OU=bank|RSA1024|SHA1|1", "CN=alice, OU=bank"};
const Holder kBob{"CN=bob,T=S|RSA1024|SHA1|2", "CN=bob, T=S"};
const Holder kKeeper{"CN=keeper,T=Ex|RSA1024|SHA1|3", "CN=keeper, T=Ex"};
// An enrolment after a failure: an SM2 pair, quick to generate.
const char* const kNewcomer = "CN=newcomer,T=S|SM2|SM3|2";

// The public key in each slot 1 to 5, empty where there is none.
using SlotKeys = std::array<Bytes, 5>;

class NextOperation : public EnrolmentTest {
 protected:
  void SetUp() override {
    EnrolmentTest::SetUp();
    scene.SetButton(key, "none");  // no waits: each run takes milliseconds
  }

  // A key pair requested, certified and installed; its certificate.
  Bytes Enrol(const Holder& holder) {
    const std::vector<Bytes> issued = Issue(CreateRequests(holder.request));
    EXPECT_EQ(issued.size(), 1u);
    EXPECT_EQ(Install(JoinCertificates(issued)), 0u) << holder.subject;
    return issued.empty() ? Bytes{} : issued[0];
  }

  uint32_t Delete(const Holder& holder) {
    uint32_t count = 0;
    return lib.DeleteTempKeyOrCert(holder.subject, 0, mediaId.c_str(), &count);
  }

  SlotKeys Slots() const {
    SlotKeys held;
    const kq::sim::SoftKey soft = scene.Key(key);
    const auto lock = soft.Lock();
    for (uint32_t slot = 1; slot <= held.size(); ++slot) {
      if (const auto pair = soft.LoadKeyPair(slot)) {
        held[slot - 1] = pair->PublicFirst();
      }
    }
    return held;
  }

  // The certificate the key signs with for this subject, empty when it cannot sign.
  Bytes SigningCertificate(const Holder& holder) {
    const Signed result = Sign(kData, holder.subject);
    return result.status == 0 ? result.certificate : Bytes{};
  }
};

// A deletion that fails after the key pair's slot was emptied must not leave the container naming
// that slot: the next enrolment takes it, and deleting the first holder again would destroy it.
TEST_F(NextOperation, RetriedDeletionAfterAFailedWriteLeavesTheNextEnrolmentsKey) {
  Enrol(kAlice);
  scene.SetProcessFaults("WriteFile:1:0x6581");
  EXPECT_EQ(Delete(kAlice), 105u);
  scene.SetProcessFaults("");
  const Bytes bob = Enrol(kBob);
  EXPECT_EQ(Delete(kAlice), 0u);
  EXPECT_EQ(SigningCertificate(kBob), bob);
  EXPECT_EQ(ListSubjects(), std::vector<std::string>{kBob.subject});
  EXPECT_EQ(scene.RunKqsim({"check", key}).out, "consistent\n");
}

// Renewal with the first file creation failing keeps the certificate installed before.
TEST_F(NextOperation, FailedRenewalKeepsTheOldCertificate) {
  const std::vector<Bytes> requests = CreateRequests(kAlice.request);
  const std::string first = JoinCertificates(Issue(requests));
  const std::string renewed = JoinCertificates(Issue(requests));
  ASSERT_EQ(Install(first), 0u);
  scene.SetProcessFaults("CreateFile:1:0x6581");
  EXPECT_EQ(Install(renewed), 14u);
  scene.SetProcessFaults("");
  EXPECT_EQ(ListSubjects(), std::vector<std::string>{kAlice.subject});
  EXPECT_EQ(SigningCertificate(kAlice), kqtest::FromBase64(first));
}

// A renewal failing at each of its device calls leaves the old certificate or the new one.
TEST_F(NextOperation, RenewalFailingAtEachCallKeepsACertificate) {
  const std::vector<Bytes> requests = CreateRequests(kAlice.request);
  const Bytes first = Issue(requests).at(0);
  const Bytes renewed = Issue(requests).at(0);
  ASSERT_EQ(Install(JoinCertificates({first})), 0u);
  size_t kept = 0;
  EXPECT_GT(kq::test::SweepFaults(
                scene, key, [&] { return Install(JoinCertificates({renewed})); },
                [&](const kq::test::FaultRun& run) {
                  const Bytes now = SigningCertificate(kAlice);
                  EXPECT_TRUE(now == first || now == renewed) << run.plan;
                  kept += now == first || now == renewed ? 1 : 0;
                }),
            20u);
  EXPECT_GT(kept, 0u);
}

// Each failing call of a deletion, then the next operations: a new enrolment, the retried
// deletion and a second one. No other container's key pair or certificate is lost.
TEST_F(NextOperation, AfterEachFailedDeletionTheNextOperationsLoseNothingOfOthers) {
  Enrol(kKeeper);
  const SlotKeys keeper = Slots();
  Enrol(kAlice);
  size_t lost = 0;
  size_t destroyed = 0;
  const size_t runs = kq::test::SweepFaults(
      scene, key, [&] { return Delete(kAlice); },
      [&](const kq::test::FaultRun& run) {
        const SlotKeys before = Slots();
        EXPECT_EQ(RequestStatus(kNewcomer), 0u) << run.plan;
        const SlotKeys enrolled = Slots();
        const uint32_t retried = Delete(kAlice);
        EXPECT_TRUE(retried == 0 || retried == 1005) << run.plan << ": " << retried;
        EXPECT_EQ(Delete(kAlice), 1005u) << run.plan;
        const SlotKeys after = Slots();
        for (size_t slot = 0; slot < after.size(); ++slot) {
          // The keeper's pair, and the newcomer's in the slot its enrolment filled.
          const bool others = !keeper[slot].empty() || enrolled[slot] != before[slot];
          destroyed += others && after[slot] != enrolled[slot] ? 1 : 0;
        }
        lost += std::ranges::count(ListSubjects(), std::string(kKeeper.subject)) == 1 ? 0 : 1;
      },
      kq::test::kOneFailure);
  EXPECT_GT(runs, 20u);
  EXPECT_EQ(lost, 0u) << "certificates of other containers lost";
  EXPECT_EQ(destroyed, 0u) << "key pairs of other containers destroyed";
}

}  // namespace
