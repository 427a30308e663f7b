#pragma once
// What the CryptoAPI tests share: a soft key made for the test with its PIN answered, and contexts
// of the provider acquired by its registered name through advapi32.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>

#include "support/softkey_scene.h"
#include "win/support/crypt_handles.h"

namespace kq::wintest {

class CryptoApiScene : public ::testing::Test {
 protected:
  void SetUp() override { scene_.SetPinAnswers("12345678"); }

  // CryptAcquireContextW by the provider's name; the context when it succeeds.
  static CryptContext Acquire(const wchar_t* container, DWORD flags) {
    CryptContext prov;
    EXPECT_TRUE(CryptAcquireContextW(prov.out(), container, kProviderName, PROV_RSA_FULL, flags))
        << "0x" << std::hex << GetLastError();
    return prov;
  }

  test::SoftKeyScene scene_;
};

}  // namespace kq::wintest
