// A keyset deletion declined half-way, and a certificate renewal failing at each device call,
// through the exported entry points: the next operations never destroy another keyset's key
// pair, and a container keeps its old certificate or the new one, never none.
#include <optional>
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

  // The error of a signature with the keyset's signature key (its size query); 0 when it signs.
  uint32_t SignError(const char* name) {
    const KqHandle prov = Acquire(name, 0);
    const KqHandle hash = HashOf(prov, kCalgSha1, "x");
    uint32_t length = 0;
    const uint32_t code =
        P().CPSignHash(prov, hash, kAtSignature, nullptr, 0, nullptr, &length) ? 0 : Error();
    P().CPDestroyHash(prov, hash);
    EXPECT_TRUE(P().CPReleaseContext(prov, 0));
    return code;
  }

  // The file of the key object of the class (2 public, 3 private) that carries the name.
  uint32_t KeyObjectFile(const std::string& key, const std::string& name, uint32_t objectClass) {
    for (const sim::KeyFileInfo& file : scene_.KeyFiles(key)) {
      store::AttributeTemplate object;
      const std::optional<Bytes> bytes = scene_.ReadKeyFile(key, file.id);
      const std::vector<uint8_t>* named = nullptr;
      if (bytes && object.Parse(*bytes) == 0 && object.Number(store::attr::kClass) == objectClass &&
          (named = object.Bytes(store::attr::kContainerName)) != nullptr &&
          std::string(named->begin(), named->end()) == name) {
        return file.id;
      }
    }
    ADD_FAILURE() << "no key object of class " << objectClass << " named " << name;
    return 0;
  }

  // Rewrites one object file through `change`.
  template <typename Change>
  void Rewrite(const std::string& key, uint32_t fileId, Change change) {
    store::AttributeTemplate object;
    ASSERT_EQ(object.Parse(*scene_.ReadKeyFile(key, fileId)), 0u);
    change(object);
    Bytes out;
    ASSERT_TRUE(object.Serialise(out));
    scene_.WriteKeyFile(key, fileId, out);
  }
};

// The user deletes a keyset, accepts on the key for its first pair and declines for the second:
// the keyset stays with its second pair, and neither a new keyset nor the repeated deletion costs
// the new keyset its key pair.
TEST_F(DeletionOrders, DeletionDeclinedForTheSecondPairThenRepeatedSparesTheNextKeyset) {
  const std::string key = AddKey({.button = "none"});
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

// Declined on the key, with the references failing to be written back: not "cancelled", since
// the keyset lost its pair's references.
TEST_F(DeletionOrders, DeclinedDeletionWhoseReferencesCannotBeRestoredFails) {
  const std::string key = AddKey({.button = "none"});
  NewKeyset("alice", {kAtSignature, kAtKeyExchange});
  scene_.SetButton(key, "ok:1,cancel:1");
  scene_.SetProcessFaults("WriteFile:5:0x6581");
  Acquire("alice", kDeleteKeyset, 0x80090020);
}

// The key deleted the pair but its result was lost, and the slot cannot be read back: the keyset
// must not name the slot again, which the next keyset takes.
TEST_F(DeletionOrders, DeletionOfUnknownOutcomeLeavesTheSlotUnnamed) {
  const std::string key = AddKey({.button = "ok:1"});
  NewKeyset("alice", {kAtSignature});
  scene_.SetProcessFaults("GetData:1:0x6F00,GetKeyInfo:2:0x6F00");
  Acquire("alice", kDeleteKeyset, 0x80090020);
  scene_.SetProcessFaults("");
  EXPECT_NE(scene_.RunKqsim({"check", key}).out.find("names key slot 1, which is empty"),
            std::string::npos);
  NewKeyset("newbie", {kAtSignature});
  EXPECT_NE(SignError("alice"), 0u) << "alice signs with newbie's key";
  EXPECT_EQ(SignError("newbie"), 0u);
}

// Eve's key objects forged to name Bob's slot: deleting Eve never destroys Bob's key pair, and
// Eve signs with it only where her object is a faithful copy of Bob's.
TEST_F(DeletionOrders, ForgedKeyObjectsNeverCostAnotherKeysetItsKeyPair) {
  const struct {
    const char* forgery;
    bool copyBobs;      // Bob's public key object under Eve's name
    bool dropModulus;   // the public key object states no key
    bool privateToo;    // Eve's private key object names Bob's slot too
    uint32_t eveSigns;  // Eve's signature error
  } kCases[] = {
      {"a copy of Bob's object", true, false, false, 0},
      {"a copy, the private object agreeing", true, false, true, 0},
      {"Eve's modulus, Bob's slot", false, false, true, 0x80090020},
      {"no modulus, Bob's slot", false, true, true, 0x80090020},
  };
  const std::string key = AddKey({.button = "none"});
  for (const auto& c : kCases) {
    NewKeyset("bob", {kAtSignature});
    NewKeyset("eve", {kAtSignature});
    const uint32_t bobs = KeyObjectFile(key, "bob", 2);
    const Bytes bobsNumber = *[&] {
      store::AttributeTemplate object;
      EXPECT_EQ(object.Parse(*scene_.ReadKeyFile(key, bobs)), 0u);
      return std::optional(*object.Bytes(store::attr::kKeyNumber));
    }();
    const uint32_t eves = KeyObjectFile(key, "eve", 2);
    if (c.copyBobs) {
      scene_.WriteKeyFile(key, eves, *scene_.ReadKeyFile(key, bobs));
    }
    Rewrite(key, eves, [&](store::AttributeTemplate& object) {
      const std::string eve = "eve";
      EXPECT_TRUE(object.Set(store::attr::kContainerName, Bytes(eve.begin(), eve.end())));
      EXPECT_TRUE(object.Set(store::attr::kKeyNumber, bobsNumber));
      EXPECT_TRUE(!c.dropModulus || object.Set(store::attr::kModulus, Bytes{}));
    });
    if (c.privateToo) {
      Rewrite(key, KeyObjectFile(key, "eve", 3), [&](store::AttributeTemplate& object) {
        EXPECT_TRUE(object.Set(store::attr::kKeyNumber, bobsNumber));
      });
    }
    EXPECT_NE(scene_.RunKqsim({"check", key}).out, "consistent\n") << c.forgery;
    EXPECT_EQ(SignError("eve"), c.eveSigns) << c.forgery;
    Acquire("eve", kDeleteKeyset);
    EXPECT_EQ(SignError("bob"), 0u) << c.forgery;
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
