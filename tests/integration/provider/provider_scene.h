#pragma once
// What the provider's soft-key tests share: the loaded provider, a scene of soft keys made for the
// test, PIN answers and chooser answers, and checks that every call leaves its key closed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "support/openssl_command.h"
#include "support/provider_library.h"
#include "support/softkey_scene.h"

namespace kq::test {

inline constexpr uint32_t kNewKeyset = 0x8;
inline constexpr uint32_t kDeleteKeyset = 0x10;
inline constexpr uint32_t kSilent = 0x40;
inline constexpr uint32_t kVerifyContext = 0xF0000000;
inline constexpr uint32_t kAtKeyExchange = 1;
inline constexpr uint32_t kAtSignature = 2;
inline constexpr uint32_t kPin = 0x12345678;

using Bytes = std::vector<uint8_t>;

class ProviderScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(P().complete) << P().problem;
    scene_.SetPinAnswers("12345678");
    platform::SetEnvironmentValue("KQCSP_UI_LOG", scratch_.File("ui.log"));
  }

  static const ProviderLibrary& P() { return Provider(); }
  static uint32_t Error() { return P().GetLastError(); }

  // Chooser answers for this process, consumed in order.
  static void Choose(const std::string& answers) {
    platform::SetEnvironmentValue("KQCSP_UI_CHOICES", answers);
  }

  // Every key of the scene is closed again.
  void ExpectAllClosed(const char* after) {
    for (const std::string& key : keys_) {
      EXPECT_EQ(scene_.OpenHandles(key), 0) << "handles open on " << key << " after " << after;
    }
  }

  std::string AddKey(const SceneKey& spec = {}) {
    keys_.push_back(scene_.AddKey(spec));
    return keys_.back();
  }

  KqHandle Acquire(const char* container, uint32_t flags, uint32_t expectedError = 0) {
    KqHandle prov = 0;
    const KqBool ok = P().CPAcquireContext(&prov, container, flags, nullptr);
    EXPECT_EQ(ok != 0, expectedError == 0) << (container ? container : "(null)") << " " << flags;
    EXPECT_EQ(Error(), expectedError) << (container ? container : "(null)") << " " << flags;
    ExpectAllClosed("CPAcquireContext");
    return prov;
  }

  std::string UiLog() const { return ReadText(scratch_.File("ui.log")); }

  SoftKeyScene scene_;
  TempDirectory scratch_;
  std::vector<std::string> keys_;
};

// The PUBLICKEYBLOB of a key as a PEM public key, through openssl's MSBLOB reader.
inline std::string BlobToPem(const TempDirectory& dir, const Bytes& blob, const std::string& name) {
  const std::string blobFile = dir.File(name + ".blob");
  const std::string pem = dir.File(name + ".pem");
  WriteBytes(blobFile, blob);
  std::string failure;
  EXPECT_TRUE(
      RunOpenssl("rsa -pubin -inform MSBLOB -in " + blobFile + " -pubout -out " + pem, &failure))
      << failure;
  return pem;
}

// Verifies a signature in CryptoAPI order with the openssl command.
inline bool OpensslVerifies(const TempDirectory& dir, const std::string& publicPem,
                            const Bytes& signatureLe, const Bytes& signedInput,
                            const std::string& digestName) {
  Bytes bigEndian(signatureLe.rbegin(), signatureLe.rend());
  WriteBytes(dir.File("verify.sig"), bigEndian);
  WriteBytes(dir.File("verify.in"), signedInput);
  std::string options = digestName.empty() ? "" : " -pkeyopt digest:" + digestName;
  std::string failure;
  const bool ok =
      RunOpenssl("pkeyutl -verify -pubin -inkey " + publicPem + " -in " + dir.File("verify.in") +
                     " -sigfile " + dir.File("verify.sig") + options,
                 &failure);
  if (!ok) {
    ADD_FAILURE() << failure;
  }
  return ok;
}

}  // namespace kq::test
