// The provider as Windows programs reach it: by its registered name through advapi32, loaded with
// the device library from the system directory by a program that has neither beside it. Every
// refused call gives the exact last error of the Linux build, and the digests and signatures of
// every hash are checked by Wine's own Microsoft provider.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/softkey_scene.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

class CryptoApi : public ::testing::Test {
 protected:
  void SetUp() override { scene_.SetPinAnswers("12345678"); }

  test::SoftKeyScene scene_;
  CryptContext prov_;
  CryptKey key_;
};

// Through advapi32, which checks flags and wraps handles itself, the provider's codes reach the
// caller unchanged (the provider's own tests check every code on the exports).

// CryptAcquireContextW by the provider's name; the context it opens is released at once, and a
// deletion hands out none.
BOOL TryAcquire(const wchar_t* container, DWORD flags) {
  HCRYPTPROV prov = 0;
  const BOOL ok = CryptAcquireContextW(&prov, container, kProviderName, PROV_RSA_FULL, flags);
  const DWORD error = GetLastError();
  EXPECT_EQ(prov != 0, ok && (flags & CRYPT_DELETEKEYSET) == 0);
  if (prov != 0) {
    CryptReleaseContext(prov, 0);
  }
  SetLastError(error);
  return ok;
}

TEST_F(CryptoApi, EveryCallGivesTheLinuxResultAndLastError) {
  char text[300] = {};
  DWORD length = 0;
  const auto parameter = [&](DWORD which, DWORD size) {
    length = size;
    return CryptGetProvParam(prov_.get(), which, reinterpret_cast<BYTE*>(text), &length, 0);
  };
  struct Step {
    const char* what;
    std::function<BOOL()> call;
    HRESULT error;  // 0: succeeds
  };
  const Step steps[] = {
      {"verify context without a key", [] { return TryAcquire(nullptr, CRYPT_VERIFYCONTEXT); }, 0},
      {"a container without a key", [] { return TryAcquire(L"x", 0); }, NTE_FAIL},
      {"a key attached", [&] { return !scene_.AddKey().empty(); }, 0},
      {"a missing container", [] { return TryAcquire(L"box", 0); }, NTE_BAD_KEYSET},
      {"a new container", [] { return TryAcquire(L"box", CRYPT_NEWKEYSET); }, 0},
      {"the same container again", [] { return TryAcquire(L"box", CRYPT_NEWKEYSET); }, NTE_EXISTS},
      {"creation needs the PIN, which a silent context cannot ask for",
       [] { return TryAcquire(L"quiet", CRYPT_NEWKEYSET | CRYPT_SILENT); }, NTE_SILENT_CONTEXT},
      {"verify context with an empty name", [] { return TryAcquire(L"", CRYPT_VERIFYCONTEXT); },
       NTE_BAD_KEYSET_PARAM},
      {"silent verify context with an empty name",
       [] { return TryAcquire(L"", CRYPT_VERIFYCONTEXT | CRYPT_SILENT); }, 0},
      {"the container opened",
       [&] { return CryptAcquireContextW(prov_.out(), L"box", kProviderName, PROV_RSA_FULL, 0); },
       0},
      {"its provider's name",
       [&] { return parameter(PP_NAME, 300) && std::string(text) == "KQCSP For ORV v2.0"; }, 0},
      {"a name longer than the buffer, with the size it needs",
       [&] { return parameter(PP_NAME, 10) || length != 19; }, ERROR_MORE_DATA},
      {"a wrong PIN",
       [&] {
         return CryptSetProvParam(prov_.get(), PP_SIGNATURE_PIN,
                                  reinterpret_cast<const BYTE*>("87654321"), 0);
       },
       SCARD_W_WRONG_CHV},
      {"an unknown parameter", [&] { return CryptSetProvParam(prov_.get(), 99, nullptr, 0); },
       NTE_BAD_TYPE},
      {"no exchange key", [&] { return CryptGetUserKey(prov_.get(), AT_KEYEXCHANGE, key_.out()); },
       NTE_NO_KEY},
      {"deletion",
       [&] {
         prov_.Reset();
         return TryAcquire(L"box", CRYPT_DELETEKEYSET);
       },
       0},
      {"the deleted container", [] { return TryAcquire(L"box", 0); }, NTE_BAD_KEYSET},
      {"a second deletion", [] { return TryAcquire(L"box", CRYPT_DELETEKEYSET); }, NTE_FAIL},
  };
  for (const Step& step : steps) {
    SetLastError(0xDEADBEEF);
    const BOOL ok = step.call();
    EXPECT_EQ(ok != FALSE, step.error == 0) << step.what;
    if (step.error != 0) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(step.error)) << step.what;
    }
  }
}

TEST_F(CryptoApi, EveryHashIsSignedOnTheKeyAndVerifiedByTheMicrosoftProvider) {
  scene_.AddKey();
  ASSERT_TRUE(CryptAcquireContextA(prov_.out(), "signer", "KQCSP For ORV v2.0", PROV_RSA_FULL,
                                   CRYPT_NEWKEYSET));
  ASSERT_TRUE(CryptGenKey(prov_.get(), AT_SIGNATURE, 2048u << 16, key_.out())) << GetLastError();
  const Bytes blob = ExportPublicKeyBlob(key_.get());
  ASSERT_EQ(blob.size(), 276u);
  CryptKey user;
  ASSERT_TRUE(CryptGetUserKey(prov_.get(), AT_SIGNATURE, user.out())) << std::hex << GetLastError();
  EXPECT_EQ(ExportPublicKeyBlob(user.get()), blob);
  CryptKey imported;
  ASSERT_TRUE(CryptImportKey(prov_.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0,
                             imported.out()))
      << std::hex << GetLastError();

  const std::pair<ALG_ID, DWORD> hashes[] = {{CALG_MD5, 16},     {CALG_SHA1, 20},
                                             {CALG_SHA_256, 32}, {CALG_SHA_384, 48},
                                             {CALG_SHA_512, 64}, {CALG_SSL3_SHAMD5, 36}};
  for (const auto& [algorithm, size] : hashes) {
    SCOPED_TRACE(algorithm);
    CryptHash hash;
    ASSERT_TRUE(CryptCreateHash(prov_.get(), algorithm, 0, 0, hash.out()));
    // The SSL3 pair has no data of its own: the caller sets its value.
    const Bytes data = algorithm == CALG_SSL3_SHAMD5 ? Bytes(36, 0x5A) : Bytes{'d', 'o', 'c'};
    ASSERT_TRUE(algorithm == CALG_SSL3_SHAMD5
                    ? CryptSetHashParam(hash.get(), HP_HASHVAL, data.data(), 0)
                    : CryptHashData(hash.get(), data.data(), static_cast<DWORD>(data.size()), 0));
    EXPECT_EQ(HashValue(hash.get()).size(), size);
    Bytes signature = SignHash(hash.get(), AT_SIGNATURE);
    ASSERT_EQ(signature.size(), 256u) << std::hex << GetLastError();
    EXPECT_TRUE(
        CryptVerifySignatureW(hash.get(), signature.data(), 256, imported.get(), nullptr, 0))
        << std::hex << GetLastError();
    EXPECT_TRUE(MicrosoftProviderVerifies(blob, algorithm, data, signature))
        << std::hex << GetLastError();
    // Without the DigestInfo (CRYPT_NOHASHOID) only the SSL3 pair, which has none, is signed.
    DWORD length = 256;
    Bytes bare(length);
    const BOOL bareOk =
        CryptSignHashW(hash.get(), AT_SIGNATURE, nullptr, CRYPT_NOHASHOID, bare.data(), &length);
    EXPECT_TRUE(bareOk || GetLastError() == static_cast<DWORD>(NTE_BAD_FLAGS));
    EXPECT_EQ(bareOk ? bare : Bytes{}, algorithm == CALG_SSL3_SHAMD5 ? signature : Bytes{});
    signature[100] ^= 0x01;
    EXPECT_FALSE(MicrosoftProviderVerifies(blob, algorithm, data, signature));
  }

  // The provider and the device library came from the system directory, not from beside this
  // program, which is built into a folder of its own as on a deployed machine.
  wchar_t path[MAX_PATH] = {};
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  for (const wchar_t* dll : {L"kqcsp.dll", L"KQORV_Zantu.dll"}) {
    const HMODULE module = GetModuleHandleW(dll);
    ASSERT_NE(module, nullptr);
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(_wcsicmp(std::filesystem::path(path).parent_path().c_str(), system), 0);
  }
}

}  // namespace
}  // namespace kq::wintest
