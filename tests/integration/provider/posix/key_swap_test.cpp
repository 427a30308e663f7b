// A context stays on the key it chose. Keys A and B both hold container "ctn" and the chooser
// picked A; once A is pulled out (kqsim unplug) B takes its reader name, logged in already. Every
// later call that needs the key answers SCARD_W_REMOVED_CARD, even after A comes back, and B
// neither signs nor loses anything. A silent context refuses the chooser instead of showing it.
#include "provider_scene.h"
#include "support/scoped_env.h"

namespace kq::test {
namespace {

constexpr uint32_t kRemoved = 0x80100069;
constexpr uint32_t kSilentContext = 0x80090022;

class KeySwap : public ProviderScene {
 public:
  // CPSignHash's code over a fresh SHA-1 hash: 0 when it signed.
  uint32_t Sign() {
    const KqHandle hash = HashOf(prov_, kCalgSha1, "pay");
    uint8_t signature[256];
    uint32_t length = sizeof signature;
    return P().CPSignHash(prov_, hash, kAtSignature, nullptr, 0, signature, &length) ? 0 : Error();
  }
  // CPGetKeyParam(KP_CERTIFICATE)'s code.
  uint32_t ReadCertificate() {
    uint32_t length = 0;
    return P().CPGetKeyParam(prov_, key_, kKpCertificate, nullptr, &length, 0) ? 0 : Error();
  }

 protected:
  void SetUp() override {
    ProviderScene::SetUp();
    a_ = AddKey();
    b_ = AddKey();
    platform::SetEnvironmentValue("KQCSP_UI_CHOICES", "1,2,1,1,1");
    for (int i = 0; i < 2; ++i) {
      const KqHandle prov = Acquire("ctn", kNewKeyset);
      ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 1024u << 16, &key_)) << std::hex << Error();
      P().CPReleaseContext(prov, 0);
    }
    prov_ = Acquire("ctn", 0);
    ASSERT_TRUE(P().CPGetUserKey(prov_, kAtSignature, &key_));
  }

  std::string a_, b_;
  KqHandle prov_ = 0, key_ = 0;
};

struct LaterCall {
  const char* name;
  uint32_t (KeySwap::*run)();
  friend void PrintTo(const LaterCall& row, std::ostream* out) { *out << row.name; }
};
class LaterCalls : public KeySwap, public ::testing::WithParamInterface<LaterCall> {};

TEST_P(LaterCalls, AnswerRemovedCardAndLeaveTheOtherKeyAlone) {
  ASSERT_EQ(Sign(), 0u);
  scene_.SetPinState(b_, {}, true);
  const int64_t signatures = scene_.Calls(b_, "ZANT_RSAPrivateSign");
  ASSERT_EQ(scene_.RunKqsim({"unplug", a_}).exitCode, 0);
  EXPECT_EQ((this->*GetParam().run)(), kRemoved);
  ASSERT_EQ(scene_.RunKqsim({"plug", a_}).exitCode, 0);
  EXPECT_EQ((this->*GetParam().run)(), kRemoved) << "for the rest of its life";
  EXPECT_EQ(scene_.Calls(b_, "ZANT_RSAPrivateSign"), signatures);
  ExpectAllClosed(GetParam().name);
  EXPECT_TRUE(P().CPReleaseContext(prov_, 0));
}

INSTANTIATE_TEST_SUITE_P(OneContext, LaterCalls,
                         ::testing::Values(LaterCall{"CPSignHash", &KeySwap::Sign},
                                           LaterCall{"KP_CERTIFICATE", &KeySwap::ReadCertificate}),
                         [](const auto& row) { return std::string(row.param.name); });

// The keyset's deletion asks for the PIN; A is swapped for B meanwhile: B keeps its container.
TEST_F(KeySwap, DeletionFailsWhenTheKeyIsSwappedDuringThePinPrompt) {
  {
    const ScopedEnv swap("KQSIM_PIN_SWAP", "unplug:" + a_);
    KqHandle prov = 0;
    EXPECT_FALSE(P().CPAcquireContext(&prov, "ctn", kDeleteKeyset, nullptr));
    EXPECT_EQ(Error(), kRemoved);
  }
  EXPECT_EQ(scene_.ReaderName(b_), "ORV ZANTULDCCID 0");
  std::erase(keys_, a_);                    // pulled out: it counts no handles
  const KqHandle prov = Acquire("ctn", 0);  // B, the only key now, still holds it
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

// A silent caller that would need the chooser: NTE_SILENT_CONTEXT, and nothing shown.
TEST_F(KeySwap, ASilentContextNeverShowsTheChooser) {
  const size_t shown = UiLog().size();
  Acquire("ctn", kSilent, kSilentContext);
  Acquire("ctn", kNewKeyset | kSilent, kSilentContext);
  EXPECT_EQ(UiLog().size(), shown);
}

}  // namespace
}  // namespace kq::test
