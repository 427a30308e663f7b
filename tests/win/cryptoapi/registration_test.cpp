// The provider as advapi32 sees it: registered under its name, found and loaded by CryptoAPI.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

namespace {

TEST(RegisteredProvider, AVerifyContextOpensByName) {
  HCRYPTPROV prov = 0;
  ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, L"KQCSP For ORV v2.0", PROV_RSA_FULL,
                                   CRYPT_VERIFYCONTEXT))
      << std::hex << GetLastError();
  DWORD type = 0;
  DWORD length = sizeof type;
  ASSERT_TRUE(CryptGetProvParam(prov, PP_PROVTYPE, reinterpret_cast<BYTE*>(&type), &length, 0));
  EXPECT_EQ(type, static_cast<DWORD>(PROV_RSA_FULL));
  EXPECT_TRUE(CryptReleaseContext(prov, 0));
}

}  // namespace
