// A keyset deletion declined or failing half-way, key objects forged to name another keyset's
// slot, and a certificate renewal failing at each device call, through the exported entry
// points: the next operations never destroy or use another keyset's key pair, and a container
// keeps its old certificate or the new one, never none.
#include <string>

#include "provider_scene.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "support/fault_sweep.h"
#include "support/test_ca.h"

namespace kq::test {
namespace {

class DeletionOrders : public ProviderScene {
 protected:
  void NewKeyset(const char* name, std::initializer_list<uint32_t> specs) {
    const KqHandle prov = Acquire(name, kNewKeyset);
    for (const uint32_t spec : specs) {
      KqHandle pair = 0;
      EXPECT_TRUE(P().CPGenKey(prov, spec, 0, &pair)) << name << " " << spec;
    }
    EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  }

  // The error of the size query of a signature with the keyset's signature key; 0 when it signs.
  uint32_t SignError(const char* name) {
    const KqHandle prov = Acquire(name, 0);
    uint32_t length = 0;
    const bool ok = P().CPSignHash(prov, HashOf(prov, kCalgSha1, "x"), kAtSignature, nullptr, 0,
                                   nullptr, &length);
    const uint32_t code = ok ? 0 : Error();
    P().CPReleaseContext(prov, 0);
    return code;
  }
};

// The user deletes a keyset, accepts on the key for its first pair and declines for the second:
// the keyset stays with its second pair, and neither a new keyset nor the repeated deletion costs
// the new keyset its key pair. Then deletions that fail after the key deleted a pair.
TEST_F(DeletionOrders, DeletionDeclinedForTheSecondPairThenRepeatedSparesTheNextKeyset) {
  const std::string key = AddKey({.button = "none"});
  NewKeyset("alice", {kAtSignature, kAtKeyExchange});
  scene_.SetButton(key, "ok:1,cancel:1");
  Acquire("alice", kDeleteKeyset, 0x8010006E);  // declined on the key
  scene_.SetButton(key, "none");
  EXPECT_EQ(scene_.RunKqsim({"check", key}).out, "consistent\n");
  NewKeyset("bob", {kAtSignature});
  Acquire("alice", kDeleteKeyset);
  EXPECT_EQ(SignError("bob"), 0u);
  Acquire("alice", 0, 0x80090016);  // NTE_BAD_KEYSET: it is gone
  EXPECT_EQ(scene_.RunKqsim({"check", key}).out, "consistent\n");
  // Declined again, with the references failing to be written back: not "cancelled", since the
  // keyset lost them.
  NewKeyset("carol", {kAtSignature, kAtKeyExchange});
  scene_.SetButton(key, "ok:1,cancel:1");
  scene_.SetProcessFaults("WriteFile:5:0x6581");
  Acquire("carol", kDeleteKeyset, 0x80090020);
  // The key deleted Bob's pair but its answer was lost, and the slot cannot be read back: Bob
  // never signs with the key pair of the keyset made next in the freed slot.
  scene_.SetButton(key, "ok:1");
  scene_.SetProcessFaults("GetData:1:0x6F00,GetKeyInfo:2:0x6F00");
  Acquire("bob", kDeleteKeyset, 0x80090020);
  scene_.SetProcessFaults("");
  NewKeyset("newbie", {kAtSignature});
  EXPECT_NE(SignError("bob"), 0u);
  EXPECT_EQ(SignError("newbie"), 0u);
}

// Eve's public key object made a copy of Bob's, then her own stating no key, both of her key
// objects naming Bob's slot (files: Bob's container and key objects 1-3, Eve's 4-6). Deleting
// Eve leaves Bob's key pair; only the faithful copy signs, as Bob.
TEST_F(DeletionOrders, ForgedKeyObjectsNeverCostAnotherKeysetItsKeyPair) {
  const std::string key = AddKey({.button = "none"});
  for (const uint32_t source : {2u, 5u}) {
    NewKeyset("bob", {kAtSignature});
    NewKeyset("eve", {kAtSignature});
    store::AttributeTemplate object;
    for (const auto& [from, to] : {std::pair{source, 5u}, {6u, 6u}}) {
      Bytes out;
      ASSERT_TRUE(object.Parse(*scene_.ReadKeyFile(key, from)) == 0 &&
                  object.Set(store::attr::kContainerName, Bytes{'e', 'v', 'e'}) &&
                  object.Set(store::attr::kKeyNumber, Bytes{1}) &&  // Bob's slot
                  (source == 2u || object.Set(store::attr::kModulus, Bytes{})) &&
                  object.Serialise(out));
      scene_.WriteKeyFile(key, to, out);
    }
    EXPECT_NE(scene_.RunKqsim({"check", key}).out, "consistent\n") << source;
    EXPECT_EQ(SignError("eve") == 0, source == 2u);
    Acquire("eve", kDeleteKeyset);
    EXPECT_EQ(SignError("bob"), 0u) << source;
    Acquire("bob", kDeleteKeyset);
  }
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
