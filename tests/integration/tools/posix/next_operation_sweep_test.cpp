// What the operation after a failed one does with the key. A deletion failing at any device call
// must leave the key so that a new enrolment, the retried deletion and a second one never destroy
// another container's key pair; a renewal keeps the old certificate or the new one, never none.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "enrolment_fixture.h"
#include "support/fault_sweep.h"

namespace {

using kqtest::Bytes;

const Bytes kData = kqtest::TransactionMessage("PAY9", "6222 0000 1111", "1.00");
const char* const kAlice = "CN=alice, OU=bank";

// The public key in each slot 1 to 5, empty where there is none.
using SlotKeys = std::array<Bytes, 5>;

class NextOperation : public kqtest::EnrolmentTest {
 protected:
  // Alice's key pair (usage 1), requested and certified.
  void SetUp() override {
    EnrolmentTest::SetUp();
    scene.SetButton(key, "ok:0");  // the key's confirmation, answered at the first poll
    alice = CreateRequests("CN=alice,OU=bank|RSA1024|SHA1|1");
  }

  uint32_t Delete(const char* subject) {
    uint32_t count = 0;
    return lib.DeleteTempKeyOrCert(subject, 0, mediaId.c_str(), &count);
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

  std::vector<Bytes> alice;
};

// A renewal failing at its first file creation, then at each of its device calls in turn, leaves
// the old certificate or the new one.
TEST_F(NextOperation, RenewalFailingAtEachCallKeepsACertificate) {
  const Bytes first = Issue(alice).at(0);
  const Bytes renewed = Issue(alice).at(0);
  ASSERT_EQ(Install(JoinCertificates({first})), 0u);
  scene.SetProcessFaults("CreateFile:1:0x6581");
  EXPECT_EQ(Install(JoinCertificates({renewed})), 14u);
  scene.SetProcessFaults("");
  EXPECT_EQ(Sign(kData, kAlice).certificate, first);
  const auto judge = [&](const kq::test::FaultRun& run) {
    const Bytes now = Sign(kData, kAlice).certificate;
    EXPECT_TRUE(now == first || now == renewed) << run.plan << ": no certificate left";
  };
  const auto renew = [&] { return Install(JoinCertificates({renewed})); };
  EXPECT_GT(kq::test::SweepFaults(scene, key, renew, judge, kq::test::kOneFailure), 15u);
}

// Each failing call of Alice's deletion (its WriteFile:1 once emptied her slot and left her
// container naming it), then the next operations: a new enrolment, which may take a slot the
// failure emptied, the retried deletion and a second one. The keeper's key pair and certificate
// and the newcomer's key pair stay, and no key object names another's key pair.
TEST_F(NextOperation, AfterEachFailedDeletionTheNextOperationsLoseNothingOfOthers) {
  ASSERT_EQ(Install(JoinCertificates(Issue(alice))), 0u);
  const SlotKeys aliceOnly = Slots();
  ASSERT_EQ(Install(JoinCertificates(Issue(CreateRequests("CN=keeper,T=Ex|RSA1024|SHA1|3")))), 0u);
  const SlotKeys keeper = Slots();
  size_t lost = 0;
  size_t destroyed = 0;
  const auto judge = [&](const kq::test::FaultRun& run) {
    const SlotKeys before = Slots();
    EXPECT_EQ(RequestStatus("CN=newcomer,T=S|SM2|SM3|2"), 0u) << run.plan;  // quick to generate
    const SlotKeys enrolled = Slots();
    // No container names another's key pair; what the failure left, the repair puts right.
    const std::string check = scene.RunKqsim({"check", key}).out;
    EXPECT_EQ(check.find("a container names"), std::string::npos) << run.plan << check;
    const uint32_t retried = Delete(kAlice);
    EXPECT_TRUE(retried == 0 || retried == 1005) << run.plan << ": " << retried;
    EXPECT_EQ(Delete(kAlice), 1005u) << run.plan;
    const SlotKeys after = Slots();
    for (size_t slot = 0; slot < after.size(); ++slot) {
      const bool others = keeper[slot] != aliceOnly[slot] || enrolled[slot] != before[slot];
      destroyed += others && after[slot] != enrolled[slot] ? 1 : 0;
    }
    lost += std::ranges::count(ListSubjects(), std::string("CN=keeper, T=Ex")) == 1 ? 0 : 1;
    EXPECT_TRUE(scene.RunKqsim({"check", key}).exitCode == 0 ||
                kq::test::RepairedToConsistent(scene, key))
        << run.plan;
  };
  EXPECT_GT(kq::test::SweepFaults(
                scene, key, [&] { return Delete(kAlice); }, judge, kq::test::kOneFailure),
            20u);
  EXPECT_EQ(lost, 0u) << "certificates of other containers lost";
  EXPECT_EQ(destroyed, 0u) << "key pairs of other containers destroyed";
}

}  // namespace
