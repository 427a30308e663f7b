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

constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kKpCertificate = 26;
constexpr uint32_t kCancelled = 0x8010006E;

// A new keyset with the pairs of these key specs.
void NewKeyset(const char* name, std::initializer_list<uint32_t> specs) {
  KqHandle prov = 0;
  ASSERT_TRUE(Provider().CPAcquireContext(&prov, name, kNewKeyset, nullptr)) << name;
  for (const uint32_t spec : specs) {
    KqHandle key = 0;
    EXPECT_TRUE(Provider().CPGenKey(prov, spec, 0, &key)) << name << " " << spec;
  }
  EXPECT_TRUE(Provider().CPReleaseContext(prov, 0));
}

// Whether the keyset's signature pair still signs.
bool Signs(const char* name) {
  KqHandle prov = 0;
  if (!Provider().CPAcquireContext(&prov, name, 0, nullptr)) {
    return false;
  }
  const bool signs = !Sign(prov, HashOf(prov, kCalgSha1, "still here"), kAtSignature).empty();
  Provider().CPReleaseContext(prov, 0);
  return signs;
}

// The user deletes a keyset, accepts on the key for its first pair and declines for the second:
// the keyset stays with its second pair, and neither a new keyset nor the repeated deletion costs
// the new keyset its key pair.
TEST_F(DeletionOrders, DeletionDeclinedForTheSecondPairThenRepeatedSparesTheNextKeyset) {
  const std::string key = AddKey({.button = "none"});
  NewKeyset("alice", {kAtSignature, kAtKeyExchange});
  scene_.SetButton(key, "ok:1,cancel:1");
  Acquire("alice", kDeleteKeyset, kCancelled);
  scene_.SetButton(key, "none");
  EXPECT_EQ(scene_.RunKqsim({"check", key}).out, "consistent\n");
  NewKeyset("bob", {kAtSignature});
  Acquire("alice", kDeleteKeyset);
  EXPECT_TRUE(Signs("bob"));
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
  const auto renew = [&] {
    KqHandle context = 0;
    KqHandle user = 0;
    if (!P().CPAcquireContext(&context, "holder", 0, nullptr)) {
      return Error();
    }
    const bool ok = P().CPGetUserKey(context, kAtSignature, &user) &&
                    P().CPSetKeyParam(context, user, kKpCertificate, renewed.data(), 0);
    const uint32_t code = ok ? 0 : Error();
    P().CPReleaseContext(context, 0);
    return code;
  };
  const auto stored = [&] {
    KqHandle context = 0;
    KqHandle user = 0;
    Bytes certificate(4096);
    auto length = static_cast<uint32_t>(certificate.size());
    const bool read =
        P().CPAcquireContext(&context, "holder", 0, nullptr) &&
        P().CPGetUserKey(context, kAtSignature, &user) &&
        P().CPGetKeyParam(context, user, kKpCertificate, certificate.data(), &length, 0);
    P().CPReleaseContext(context, 0);
    certificate.resize(read ? length : 0);
    return certificate;
  };
  EXPECT_GT(SweepFaults(scene_, key, renew,
                        [&](const FaultRun& run) {
                          const Bytes now = stored();
                          EXPECT_TRUE(now == first || now == renewed) << run.plan;
                        }),
            20u);
}

}  // namespace
}  // namespace kq::test
