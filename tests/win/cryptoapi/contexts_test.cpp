// Contexts, parameters and PINs of the provider through advapi32 alone, with the exact last error
// of every refused call: Windows' own CryptoAPI must see the codes that the Linux tests of the same
// calls see.
#include <cstring>
#include <vector>

#include "cryptoapi_scene.h"

namespace kq::wintest {
namespace {

using Contexts = CryptoApiScene;

struct AcquireStep {
  const wchar_t* container;
  DWORD flags;
  DWORD error;  // 0: succeeds
  const char* what;
};

void RunAcquireSteps(const std::vector<AcquireStep>& steps) {
  for (const AcquireStep& step : steps) {
    HCRYPTPROV prov = 0;
    SetLastError(0xDEADBEEF);
    const BOOL ok =
        CryptAcquireContextW(&prov, step.container, kProviderName, PROV_RSA_FULL, step.flags);
    EXPECT_EQ(ok != FALSE, step.error == 0) << step.what;
    if (step.error != 0) {
      EXPECT_EQ(GetLastError(), step.error) << step.what;
    } else if (step.flags & CRYPT_DELETEKEYSET) {
      EXPECT_EQ(prov, 0u) << step.what;  // advapi32 hands out no handle for a deletion
    } else {
      EXPECT_NE(prov, 0u) << step.what;
      EXPECT_TRUE(CryptReleaseContext(prov, 0)) << step.what;
    }
  }
}

TEST_F(Contexts, EveryFlagAndContainerFormGivesTheLinuxResult) {
  // No key attached: a verify context and a silent open without a name still succeed.
  RunAcquireSteps({
      {nullptr, CRYPT_VERIFYCONTEXT, 0, "verify context without a key"},
      {nullptr, CRYPT_SILENT, 0, "silent open without a name or a key"},
      {L"x", 0, static_cast<DWORD>(NTE_FAIL), "a container without a key"},
  });
  scene_.AddKey();
  RunAcquireSteps({
      {L"box", 0, static_cast<DWORD>(NTE_BAD_KEYSET), "a missing container"},
      {L"box", CRYPT_NEWKEYSET, 0, "a new container"},
      {L"box", CRYPT_NEWKEYSET, static_cast<DWORD>(NTE_EXISTS), "the same container again"},
      {L"box", 0, 0, "the container opened"},
      {L"box", CRYPT_SILENT, 0, "the container opened silently"},
      {L"quiet", CRYPT_NEWKEYSET | CRYPT_SILENT, static_cast<DWORD>(NTE_SILENT_CONTEXT),
       "creation needs the PIN, which a silent context cannot ask for"},
      {L"", CRYPT_VERIFYCONTEXT, static_cast<DWORD>(NTE_BAD_KEYSET_PARAM),
       "verify context with an empty name"},
      {L"", CRYPT_VERIFYCONTEXT | CRYPT_SILENT, 0, "silent verify context with an empty name"},
      {nullptr, CRYPT_VERIFYCONTEXT, 0, "verify context"},
      {L"box", CRYPT_DELETEKEYSET, 0, "deletion"},
      {L"box", 0, static_cast<DWORD>(NTE_BAD_KEYSET), "the deleted container"},
      {L"box", CRYPT_DELETEKEYSET, static_cast<DWORD>(NTE_FAIL), "a second deletion"},
  });
}

std::vector<std::string> EnumerateContainers(HCRYPTPROV prov) {
  std::vector<std::string> names;
  DWORD flags = CRYPT_FIRST;
  for (;;) {
    char name[600] = {};
    DWORD length = sizeof name;
    if (!CryptGetProvParam(prov, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length,
                           flags)) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
      return names;
    }
    names.emplace_back(name);
    flags = 0;
  }
}

std::string TextParameter(HCRYPTPROV prov, DWORD parameter) {
  char text[300] = {};
  DWORD length = sizeof text;
  EXPECT_TRUE(CryptGetProvParam(prov, parameter, reinterpret_cast<BYTE*>(text), &length, 0))
      << parameter << ": 0x" << std::hex << GetLastError();
  return text;
}

TEST_F(Contexts, ParametersEnumerateAlgorithmsAndContainers) {
  scene_.AddKey();
  Acquire(L"first", CRYPT_NEWKEYSET);
  Acquire(L"second", CRYPT_NEWKEYSET);
  const CryptContext prov = Acquire(L"first", 0);
  EXPECT_EQ(TextParameter(prov.get(), PP_NAME), "KQCSP For ORV v2.0");
  EXPECT_EQ(TextParameter(prov.get(), PP_CONTAINER), "first");
  EXPECT_EQ(EnumerateContainers(prov.get()), (std::vector<std::string>{"first", "second"}));

  // A name longer than the buffer is refused with the size it needs.
  char small[10] = {};
  DWORD length = sizeof small;
  EXPECT_FALSE(CryptGetProvParam(prov.get(), PP_NAME, reinterpret_cast<BYTE*>(small), &length, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(length, 19u);

  std::vector<ALG_ID> algorithms;
  DWORD flags = CRYPT_FIRST;
  PROV_ENUMALGS row{};
  for (length = sizeof row;
       CryptGetProvParam(prov.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&row), &length, flags);
       length = sizeof row) {
    algorithms.push_back(row.aiAlgid);
    flags = 0;
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(algorithms, (std::vector<ALG_ID>{CALG_DES, CALG_3DES, CALG_MD5, CALG_SHA1,
                                             CALG_SSL3_SHAMD5, CALG_SHA_256, CALG_SHA_384,
                                             CALG_SHA_512, CALG_RSA_SIGN, CALG_RSA_KEYX}));

  // The extended rows walk the same list on their own cursor.
  std::vector<ALG_ID> extended;
  PROV_ENUMALGS_EX exRow{};
  flags = CRYPT_FIRST;
  for (length = sizeof exRow; CryptGetProvParam(prov.get(), PP_ENUMALGS_EX,
                                                reinterpret_cast<BYTE*>(&exRow), &length, flags);
       length = sizeof exRow) {
    EXPECT_EQ(length, sizeof exRow);
    if (exRow.aiAlgid == CALG_DES) {
      EXPECT_STREQ(exRow.szName, "DES");
      EXPECT_STREQ(exRow.szLongName, "Data Encryption Standard (DES)");
    }
    extended.push_back(exRow.aiAlgid);
    flags = 0;
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(extended, algorithms);
}

TEST_F(Contexts, ThePinIsSetThroughTheProviderParameters) {
  scene_.AddKey();
  const CryptContext prov = Acquire(L"pin", CRYPT_NEWKEYSET);
  const auto pin = [](const char* text) { return reinterpret_cast<const BYTE*>(text); };
  EXPECT_TRUE(CryptSetProvParam(prov.get(), PP_SIGNATURE_PIN, pin("12345678"), 0))
      << std::hex << GetLastError();
  EXPECT_TRUE(CryptSetProvParam(prov.get(), PP_KEYEXCHANGE_PIN, pin("12345678"), 0))
      << std::hex << GetLastError();
  EXPECT_FALSE(CryptSetProvParam(prov.get(), PP_SIGNATURE_PIN, pin("87654321"), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(SCARD_W_WRONG_CHV));
  EXPECT_FALSE(CryptSetProvParam(prov.get(), PP_KEYEXCHANGE_PIN, pin("123456"), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(SCARD_E_INVALID_CHV));
  EXPECT_FALSE(CryptSetProvParam(prov.get(), 99, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_TYPE));
  // The wrong PIN cost a try; the right one restores them.
  EXPECT_TRUE(CryptSetProvParam(prov.get(), PP_SIGNATURE_PIN, pin("12345678"), 0));
}

}  // namespace
}  // namespace kq::wintest
