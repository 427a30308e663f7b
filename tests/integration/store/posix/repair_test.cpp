// The store's repair on a soft key damaged in each way an interrupted change leaves it: the
// survey finds each damage, the repair leaves a key `kqsim check` calls consistent while keeping
// what a container uses and every key pair, and a repair cut short at any of its own device
// calls leaves a key that the next repair makes consistent.
#include <algorithm>

#include "store/certificate_directory_entry.h"
#include "store/store_repair.h"
#include "store_fixture.h"
#include "support/fault_sweep.h"

namespace kq::store {
namespace {

class RepairTest : public StoreTest {
 protected:
  test::SceneKey KeySpec() const override {
    return {
        .keyPairs = {
            {1, 1, "rsa1024-a"}, {2, 0, "rsa1024-b"}, {3, 0, "rsa2048-a"}, {5, 0, "rsa2048-b"}}};
  }

  // Containers "a" (slot 1) and "b" (slot 2) and "c" (slot 3), then each damage.
  void Damage() {
    a_ = ContainerWithPair("a", 1, kSignaturePair);
    b_ = ContainerWithPair("b", 2, kExchangePair);
    c_ = ContainerWithPair("c", 3, kExchangePair);
    const sim::SoftKey key = scene_.Key(key_);
    const auto lock = key.Lock();
    EXPECT_TRUE(key.DeleteFile(a_.publicKey));                       // slot and reference left
    EXPECT_TRUE(key.WriteFile(0x0010, 0, std::vector<uint8_t>(9)));  // named by nothing
    std::vector<uint8_t> directory(kCertificateDirectorySize, 0xFF);
    const auto entry = EncodeDirectoryEntry({20, 0x0011, 8, 1});
    std::copy(entry.begin(), entry.end(), directory.begin());
    EXPECT_TRUE(key.WriteFile(kCertificateDirectoryFile, 0, directory));  // its file is gone
    EXPECT_TRUE(key.DeleteSlot(3));  // "c"'s key objects lose their key pair
    // "b"'s private key object leaves its index, as a change cut short could leave it; "b"
    // still uses it.
    std::vector<uint8_t> privateIndex = *key.ReadFile(kPrivateObjectIndex.fileId);
    const auto slot = FindSlotByFileId(privateIndex, b_.privateKey);
    EXPECT_TRUE(slot.has_value());
    std::fill_n(privateIndex.begin() + static_cast<long>(*slot * kIndexSlotSize), kIndexSlotSize,
                uint8_t{0xFF});
    EXPECT_TRUE(key.WriteFile(kPrivateObjectIndex.fileId, 0, privateIndex));
  }

  RepairSurvey Surveyed() {
    DeviceSession session;
    EXPECT_EQ(session.Open(scene_.ReaderName(key_)), 0U);
    RepairSurvey survey;
    EXPECT_EQ(SurveyStore(session, 0, survey), 0U);
    return survey;
  }

  // Survey and repair on a session of their own (the key's files changed behind session_); the
  // scan stops at `scanBound` (every file of the damaged key lies below 0x18).
  uint32_t Repair(uint32_t scanBound = 0) {
    DeviceSession session;
    if (const uint32_t status = session.Open(scene_.ReaderName(key_)); status != 0) {
      return status;
    }
    RepairSurvey survey;
    if (const uint32_t status = SurveyStore(session, scanBound, survey); status != 0) {
      return status;
    }
    return RepairStore(session, survey);
  }

  bool Consistent() const { return scene_.RunKqsim({"check", key_}).exitCode == 0; }

  PairIds a_, b_, c_;
};

TEST_F(RepairTest, TheSurveyFindsEachDamageAndChangesNothing) {
  Damage();
  const size_t files = FileCount();
  const RepairSurvey survey = Surveyed();
  struct Expected {
    FindingKind kind;
    uint32_t fileId;
    bool reportOnly;
  };
  const Expected expected[] = {
      {FindingKind::kSlotNamesMissingFile, a_.publicKey, false},
      {FindingKind::kReferenceToMissingFile, a_.publicKey, false},
      {FindingKind::kUnnamedFile, 0x0010, false},
      {FindingKind::kDirectoryEntryWithoutFile, 0x0011, false},
      {FindingKind::kReferenceToUnindexedFile, b_.privateKey, false},
      {FindingKind::kKeyObjectWithoutKeyPair, c_.publicKey, true},
      {FindingKind::kKeyObjectWithoutKeyPair, c_.privateKey, true},
      {FindingKind::kUnusedKeyPair, 0, true},
  };
  EXPECT_EQ(survey.findings.size(), std::size(expected));
  for (const Expected& e : expected) {
    EXPECT_EQ(std::count_if(survey.findings.begin(), survey.findings.end(),
                            [&](const RepairFinding& f) {
                              return f.kind == e.kind && f.fileId == e.fileId &&
                                     f.reportOnly == e.reportOnly;
                            }),
              1)
        << FindingName(e.kind) << " " << e.fileId;
  }
  EXPECT_EQ(survey.scanBound, kNamedFilesAtMost + kScanMargin);
  EXPECT_EQ(FileCount(), files);
  EXPECT_FALSE(Consistent());
}

TEST_F(RepairTest, RepairLeavesAConsistentKeyAndKeepsWhatIsUsedAndEveryKeyPair) {
  Damage();
  EXPECT_EQ(Repair(), 0U);
  EXPECT_TRUE(Consistent()) << scene_.RunKqsim({"check", key_}).out;
  // "b"'s private key object is indexed again, not deleted; key pairs 1, 2 and 5 stay.
  EXPECT_TRUE(FindSlotByFileId(KeyFile(kPrivateObjectIndex.fileId), b_.privateKey).has_value());
  for (const uint32_t slot : {1U, 2U, 5U}) {
    EXPECT_TRUE(scene_.KeySlot(key_, slot).has_value()) << slot;
  }
  // Only the report-only findings are left.
  for (const RepairFinding& finding : Surveyed().findings) {
    EXPECT_TRUE(finding.reportOnly) << FindingName(finding.kind);
  }
}

// A damaged index loses nothing: what it no longer names is entered again, never deleted, and an
// index of the wrong size leaves every file where it is.
TEST_F(RepairTest, ADamagedObjectIndexLosesNoObject) {
  a_ = ContainerWithPair("a", 1, kSignaturePair);
  ChangeKeyFile(kObjectIndex.fileId, std::vector<uint8_t>(kObjectIndex.size()));
  EXPECT_EQ(Repair(), 0U);
  EXPECT_TRUE(Consistent()) << scene_.RunKqsim({"check", key_}).out;
  for (const uint16_t id : {a_.container, a_.publicKey}) {
    EXPECT_TRUE(FindSlotByFileId(KeyFile(kObjectIndex.fileId), id).has_value()) << id;
  }
  const size_t files = FileCount();
  ChangeKeyFile(kObjectIndex.fileId, std::vector<uint8_t>(kIndexSlotSize, 0xFF));
  EXPECT_NE(Repair(), 0U);
  EXPECT_EQ(FileCount(), files);
}

TEST_F(RepairTest, ARepairCutShortAtAnyCallIsFinishedByTheNext) {
  constexpr const char* kUnreadableIsLost[] = {"CloseDev", "ReadFile"};
  Damage();
  const size_t runs = test::SweepFaults(
      scene_, key_, [&] { return Repair(0x18); },
      [&](const test::FaultRun& run) {
        // An object that cannot be read is taken as lost, which the repair mends too.
        EXPECT_TRUE(test::FailedAsPlanned(run, kUnreadableIsLost))
            << run.plan << ": the repair was not cut short";
        EXPECT_EQ(Repair(0x18), 0U) << run.plan;
        EXPECT_TRUE(Consistent()) << run.plan << "\n" << scene_.RunKqsim({"check", key_}).out;
      },
      test::kOneFailure);
  EXPECT_GT(runs, 40U);
}

}  // namespace
}  // namespace kq::store
