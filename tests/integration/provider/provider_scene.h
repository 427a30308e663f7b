#pragma once
// What the provider's soft-key tests share: the loaded provider, a scene of soft keys made for the
// test, PIN answers and chooser answers, checks that every call leaves its key closed, and the
// calls that hash, sign and export a public key for the openssl command.

#include <gtest/gtest.h>

#include <filesystem>
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
inline constexpr uint32_t kCalgSha1 = 0x8004;
inline constexpr uint32_t kKpCertificate = 26;

using Bytes = std::vector<uint8_t>;

inline Bytes ExportPublicKey(KqHandle prov, KqHandle key) {
  uint32_t length = 0;
  EXPECT_TRUE(Provider().CPExportKey(prov, key, 0, 6, 0, nullptr, &length));
  Bytes blob(length);
  EXPECT_TRUE(Provider().CPExportKey(prov, key, 0, 6, 0, blob.data(), &length));
  EXPECT_EQ(Provider().GetLastError(), 0u);
  return blob;
}

inline KqHandle HashOf(KqHandle prov, uint32_t algId, const std::string& text) {
  KqHandle hash = 0;
  EXPECT_TRUE(Provider().CPCreateHash(prov, algId, 0, 0, &hash));
  EXPECT_TRUE(Provider().CPHashData(prov, hash, reinterpret_cast<const uint8_t*>(text.data()),
                                    static_cast<uint32_t>(text.size()), 0));
  return hash;
}

// The signature with its size query; empty when refused, as expected, with expectedError.
inline Bytes Sign(KqHandle prov, KqHandle hash, uint32_t keySpec, uint32_t expectedError = 0,
                  uint32_t flags = 0) {
  uint32_t length = 0;
  EXPECT_TRUE(Provider().CPSignHash(prov, hash, keySpec, nullptr, 0, nullptr, &length));
  Bytes signature(length);
  const KqBool ok =
      Provider().CPSignHash(prov, hash, keySpec, nullptr, flags, signature.data(), &length);
  EXPECT_EQ(ok != 0, expectedError == 0);
  EXPECT_EQ(Provider().GetLastError(), expectedError);
  signature.resize(ok ? length : 0);
  return signature;
}

// The PUBLICKEYBLOB of a key as a PEM public key, through openssl's MSBLOB reader.
inline std::string BlobToPem(const TempDirectory& dir, const Bytes& blob) {
  const std::string pem = dir.File("key.pem");
  WriteBytes(dir.File("key.blob"), blob);
  EXPECT_TRUE(
      RunOpenssl("rsa -pubin -inform MSBLOB -in " + dir.File("key.blob") + " -pubout -out " + pem));
  return pem;
}

class ProviderScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(P().complete) << P().problem;
    scene_.SetPinAnswers("12345678");
    platform::SetEnvironmentValue("KQCSP_UI_LOG", scratch_.File("ui.log"));
  }

  static const ProviderLibrary& P() { return Provider(); }
  static uint32_t Error() { return P().GetLastError(); }

  // Every key of the scene that is plugged in (kqsim unplug moves a key's folder away) is closed
  // again.
  void ExpectAllClosed(const char* after) {
    for (const std::string& key : keys_) {
      if (!std::filesystem::exists(scene_.root() / key)) {
        continue;
      }
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

  // A text parameter of the context (PP_CONTAINER 6, PP_SMARTCARD_READER 43), "" on failure.
  static std::string Text(KqHandle prov, uint32_t param) {
    char text[300] = {};
    uint32_t length = sizeof text;
    return P().CPGetProvParam(prov, param, reinterpret_cast<uint8_t*>(text), &length, 0) ? text
                                                                                         : "";
  }

  std::string UiLog() const { return ReadText(scratch_.File("ui.log")); }

  SoftKeyScene scene_;
  TempDirectory scratch_;
  std::vector<std::string> keys_;
};

}  // namespace kq::test
