// A key swapped for another while the PIN entry is up (the soft PIN entry's KQSIM_PIN_SWAP pulls
// key A out, so that key B takes its reader name): every tool export that logs in fails, and B,
// enrolled exactly as A, is left as it was: nothing signed, written or deleted on it.
#include <functional>
#include <map>

#include "enrolment_fixture.h"
#include "support/scoped_env.h"

namespace kqtest {
namespace {

const std::string kRecord = "CN=swap user|RSA1024|SHA1|1";

struct SwapCase {
  const char* name;
  uint32_t expected;  // the export's status for a key that left during the PIN entry
  std::function<uint32_t(class KeySwap&)> run;
  friend void PrintTo(const SwapCase& row, std::ostream* out) { *out << row.name; }
};

class KeySwap : public EnrolmentTest, public ::testing::WithParamInterface<SwapCase> {
 public:
  using EnrolmentTest::Install, EnrolmentTest::RequestStatus, EnrolmentTest::Sign;
  using EnrolmentTest::lib, EnrolmentTest::mediaId;
  std::string certificate;  // A's, installed again in the installation's case

  // Every file of the key with its content, and which key slots hold a pair.
  std::map<uint32_t, Bytes> Contents(const std::string& of) {
    std::map<uint32_t, Bytes> contents;
    for (const kq::sim::KeyFileInfo& file : scene.KeyFiles(of)) {
      contents[file.id] = scene.ReadKeyFile(of, file.id).value_or(Bytes{});
    }
    for (uint32_t slot = 1; slot <= 5; ++slot) {
      contents[0x10000 + slot] = scene.KeySlot(of, slot) ? Bytes{1} : Bytes{};
    }
    return contents;
  }
};

TEST_P(KeySwap, NothingHappensOnTheKeyThatTookTheReaderName) {
  const std::string other = AddKey();
  for (const std::string& id : {scene.MediaId(other), mediaId}) {
    certificate = JoinCertificates(Issue(CreateRequests(kRecord, id)));  // A's at last
    ASSERT_EQ(Install(certificate, id), 0u);
  }
  scene.Replug(key);  // A asks for its PIN again
  const auto before = Contents(other);
  const int64_t signatures = scene.Calls(other, "ZANT_RSAPrivateSign");
  {
    const kq::test::ScopedEnv swap("KQSIM_PIN_SWAP", "unplug:" + key);
    EXPECT_EQ(GetParam().run(*this), GetParam().expected);
  }
  EXPECT_EQ(Contents(other), before);
  EXPECT_EQ(scene.Calls(other, "ZANT_RSAPrivateSign"), signatures);
  EXPECT_EQ(scene.OpenHandles(other), 0);
  EXPECT_FALSE(scene.RunKqsim({"plug", key}).exitCode) << "A comes back";
}

const Bytes kData = {'p', 'a', 'y'};

INSTANTIATE_TEST_SUITE_P(
    ToolExports, KeySwap,
    ::testing::Values(
        SwapCase{"Deletion", 105,
                 [](KeySwap& fixture) {
                   uint32_t count = 0;
                   return fixture.lib.DeleteTempKeyOrCert("CN=swap user", 0,
                                                          fixture.mediaId.c_str(), &count);
                 }},
        SwapCase{"Signature", 3003,
                 [](KeySwap& fixture) { return fixture.Sign(kData, "CN=swap user").status; }},
        SwapCase{
            "Enrolment", 7,
            [](KeySwap& fixture) { return fixture.RequestStatus("CN=sm2 user,T=Ex|SM2|SM3|3"); }},
        SwapCase{"Installation", 6,
                 [](KeySwap& fixture) { return fixture.Install(fixture.certificate); }}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kqtest
