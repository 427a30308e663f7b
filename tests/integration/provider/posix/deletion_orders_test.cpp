// A keyset deletion declined half-way, and a certificate renewal failing at each device call,
// through the exported entry points: the next operations never destroy another keyset's key
// pair, and a container keeps its old certificate or the new one, never none.
#include <string>

#include "provider_scene.h"
#include "support/fault_sweep.h"
#include "support/test_ca.h"

namespace kq::test {
namespace {

using DeletionOrders = ProviderScene;

// The user deletes a keyset, accepts on the key for its first pair and declines for the second:
// the keyset stays with its second pair, and neither a new keyset nor the repeated deletion costs
// the new keyset its key pair.
TEST_F(DeletionOrders, DeletionDeclinedForTheSecondPairThenRepeatedSparesTheNextKeyset) {
  const std::string key = AddKey({.button = "none"});
  const auto NewKeyset = [&](const char* name, std::initializer_list<uint32_t> specs) {
    const KqHandle prov = Acquire(name, kNewKeyset);
    for (const uint32_t spec : specs) {
      KqHandle pair = 0;
      EXPECT_TRUE(P().CPGenKey(prov, spec, 0, &pair)) << name << " " << spec;
    }
    EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  };
  NewKeyset("alice", {kAtSignature, kAtKeyExchange});
  scene_.SetButton(key, "ok:1,cancel:1");
  Acquire("alice", kDeleteKeyset, 0x8010006E);  // declined on the key
  scene_.SetButton(key, "none");
  EXPECT_EQ(scene_.RunKqsim({"check", key}).out, "consistent\n");
  NewKeyset("bob", {kAtSignature});
  Acquire("alice", kDeleteKeyset);
  const KqHandle bob = Acquire("bob", 0);
  EXPECT_FALSE(Sign(bob, HashOf(bob, kCalgSha1, "still here"), kAtSignature).empty());
  EXPECT_TRUE(P().CPReleaseContext(bob, 0));
  Acquire("alice", 0, 0x80090016);  // NTE_BAD_KEYSET: it is gone
  EXPECT_EQ(scene_.RunKqsim({"check", key}).out, "consistent\n");
}

// KP_CERTIFICATE replacing a certificate, with each of its device calls failing in turn.
TEST_F(DeletionOrders, CertificateRenewalFailingAtEachCallKeepsACertificate) {
  const std::string key = AddKey({.button = "none"});
  KqHandle prov = Acquire("holder", kNewKeyset);
  KqHandle pair = 0;
  ASSERT_TRUE(P().CPGenKey(prov, kAtSignature, 0, &pair));
  TestCa ca;
  const std::string pem = BlobToPem(scratch_, ExportPublicKey(prov, pair));
  const Bytes first = ca.IssueForKey(pem, "/CN=Holder/O=Bank");
  const Bytes renewed = ca.IssueForKey(pem, "/CN=Holder/O=Bank");
  ASSERT_TRUE(P().CPSetKeyParam(prov, pair, kKpCertificate, first.data(), 0));
  ASSERT_TRUE(P().CPReleaseContext(prov, 0));
  // KP_CERTIFICATE of the holder's signature key, in a context of its own: the renewed
  // certificate written, or the stored one read; the error.
  Bytes stored;
  const auto onKey = [&](bool write) {
    KqHandle context = 0;
    KqHandle user = 0;
    Bytes read(4096);
    auto length = static_cast<uint32_t>(read.size());
    const bool ok =
        P().CPAcquireContext(&context, "holder", 0, nullptr) &&
        P().CPGetUserKey(context, kAtSignature, &user) &&
        (write ? P().CPSetKeyParam(context, user, kKpCertificate, renewed.data(), 0)
               : P().CPGetKeyParam(context, user, kKpCertificate, read.data(), &length, 0));
    const uint32_t code = ok ? 0 : Error();
    P().CPReleaseContext(context, 0);
    read.resize(ok ? length : 0);
    stored = write ? stored : read;
    return code;
  };
  const auto judge = [&](const FaultRun& run) {
    onKey(false);
    EXPECT_TRUE(stored == first || stored == renewed) << run.plan;
  };
  EXPECT_GT(SweepFaults(
                scene_, key, [&] { return onKey(true); }, judge, kOneFailure),
            20u);
}

}  // namespace
}  // namespace kq::test
