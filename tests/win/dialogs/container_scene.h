#pragma once
// A soft key with a container created on it through CryptoAPI, as the dialogs' tests start: the
// key's settings are the test's, the PIN is answered, and the context goes with the scene.

#include <windows.h>

#include <wincrypt.h>

#include <string>

#include "dialog_driver.h"
#include "support/softkey_scene.h"

namespace kq::test {

class ContainerScene {
 public:
  ContainerScene(const SceneKey& spec, const wchar_t* container) {
    key_ = scene_.AddKey(spec);
    scene_.SetPinAnswers("12345678");
    EXPECT_TRUE(
        CryptAcquireContextW(&provider_, container, kProviderName, PROV_RSA_FULL, CRYPT_NEWKEYSET))
        << std::hex << GetLastError();
  }
  ContainerScene(const ContainerScene&) = delete;
  ContainerScene& operator=(const ContainerScene&) = delete;
  ~ContainerScene() {
    if (provider_ != 0) {
      CryptReleaseContext(provider_, 0);
    }
  }

  // A signature key pair of the given size generated on its own thread, whose dialog the test
  // then drives.
  BackgroundCall GenerateKey(DWORD bits) {
    return BackgroundCall([this, bits] {
      HCRYPTKEY generated = 0;
      const BOOL done = CryptGenKey(provider_, AT_SIGNATURE, bits << 16, &generated);
      const DWORD error = GetLastError();
      if (generated != 0) {
        CryptDestroyKey(generated);
      }
      SetLastError(error);
      return done;
    });
  }

  SoftKeyScene& scene() { return scene_; }
  const std::string& key() const { return key_; }
  HCRYPTPROV provider() const { return provider_; }

 private:
  SoftKeyScene scene_;
  std::string key_;
  HCRYPTPROV provider_ = 0;
};

}  // namespace kq::test
