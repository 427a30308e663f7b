// A program in a folder of its own, with no DLL of the system beside it, as on a deployed
// machine: advapi32 loads the provider from the system directory, the provider finds the device
// library there too, and a new container, a key pair and a signature that Wine's Microsoft
// provider verifies all work.
#include <filesystem>

#include "cryptoapi_scene.h"

namespace kq::wintest {
namespace {

using Deployment = CryptoApiScene;

std::filesystem::path ModuleFolder(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  return n == 0 ? std::filesystem::path() : std::filesystem::path(path).parent_path();
}

std::filesystem::path SystemFolder() {
  wchar_t path[MAX_PATH] = {};
  GetSystemDirectoryW(path, MAX_PATH);
  return path;
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  return _wcsicmp(a.wstring().c_str(), b.wstring().c_str()) == 0;
}

TEST_F(Deployment, AProgramAwayFromTheDllsSignsThroughTheInstalledProvider) {
  const std::filesystem::path here = ModuleFolder(nullptr);
  for (const wchar_t* dll : {L"kqcsp.dll", L"KQORV_Zantu.dll", L"KQORVUI.dll"}) {
    ASSERT_FALSE(std::filesystem::exists(here / dll)) << "beside the program: " << (here / dll);
  }

  scene_.AddKey();
  const CryptContext prov = Acquire(L"deployed", CRYPT_NEWKEYSET);
  ASSERT_NE(prov.get(), 0u);
  CryptKey key;
  ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 2048u << 16, key.out()))
      << std::hex << GetLastError();
  CryptHash hash;
  ASSERT_TRUE(CryptCreateHash(prov.get(), CALG_SHA_256, 0, 0, hash.out()));
  const char text[] = "signed by a program outside the build";
  ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(text), sizeof text - 1, 0));
  const Bytes signature = SignHash(hash.get(), AT_SIGNATURE);
  ASSERT_EQ(signature.size(), 256u) << std::hex << GetLastError();
  std::string why;
  EXPECT_TRUE(MicrosoftProviderVerifies(ExportPublicKeyBlob(key.get()), CALG_SHA_256,
                                        HashValue(hash.get()), signature, &why))
      << why;

  // Every library of the system came from the system directory.
  for (const wchar_t* dll : {L"kqcsp.dll", L"KQORV_Zantu.dll"}) {
    const HMODULE module = GetModuleHandleW(dll);
    ASSERT_NE(module, nullptr) << "not loaded: " << std::filesystem::path(dll);
    EXPECT_TRUE(SameFolder(ModuleFolder(module), SystemFolder())) << ModuleFolder(module);
  }
}

}  // namespace
}  // namespace kq::wintest
