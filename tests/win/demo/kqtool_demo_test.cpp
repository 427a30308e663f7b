// kqtool.exe demo as a Windows user runs it: every step passes, and afterwards the registry and
// the Microsoft provider's key containers are exactly as they were, whether the installation had
// registered the provider, nothing was registered, or another registration was in place. The
// demo writes the registry of the whole prefix, so no other test may run beside this one.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/run_command.h"
#include "win/support/crypt_handles.h"

namespace {

constexpr wchar_t kProviderKey[] =
    L"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";
constexpr wchar_t kVendorKey[] = L"SOFTWARE\\KQVN";
constexpr REGSAM kView = KEY_WOW64_64KEY;

// Every key below the roots, with its values (type and data).
using Values = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
using RegistryTree = std::map<std::wstring, Values>;

void ReadKey(const std::wstring& path, RegistryTree& tree) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kView, &key) != ERROR_SUCCESS) {
    return;
  }
  Values& values = tree[path];
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    DWORD type = 0;
    std::vector<BYTE> data(4096);
    auto size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    data.resize(size);
    values[name] = {type, data};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    subkeys.push_back(path + L"\\" + name);
  }
  RegCloseKey(key);
  for (const std::wstring& subkey : subkeys) {
    ReadKey(subkey, tree);
  }
}

RegistryTree Snapshot() {
  RegistryTree tree;
  ReadKey(kProviderKey, tree);
  ReadKey(kVendorKey, tree);
  return tree;
}

void SetValue(const std::wstring& path, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(
      RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

std::vector<BYTE> Text(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

// Replaces both roots with the tree's keys and values.
void Write(const RegistryTree& tree) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProviderKey);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVendorKey);
  for (const auto& [path, values] : tree) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | kView, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    for (const auto& [name, value] : values) {
      SetValue(path, name, value.first, value.second);
    }
  }
}

// The key containers of the Microsoft provider that the demo's CA uses.
std::set<std::string> MicrosoftContainers() {
  std::set<std::string> names;
  kq::wintest::CryptContext provider;
  if (!CryptAcquireContextW(provider.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT)) {
    ADD_FAILURE() << "no Microsoft provider: " << std::hex << GetLastError();
    return names;
  }
  for (DWORD flags = CRYPT_FIRST;; flags = 0) {
    char name[512];
    DWORD length = sizeof name;
    if (!CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name),
                           &length, flags)) {
      return names;
    }
    names.insert(name);
  }
}

// The registry as the deployment left it comes back whatever a case did.
class DeployedRegistry {
 public:
  DeployedRegistry() : deployed_(Snapshot()) {}
  DeployedRegistry(const DeployedRegistry&) = delete;
  DeployedRegistry& operator=(const DeployedRegistry&) = delete;
  ~DeployedRegistry() { Write(deployed_); }

 private:
  RegistryTree deployed_;
};

struct Setting {
  const char* what;
  void (*arrange)();
};

const Setting kSettings[] = {
    {"the installation's registration", [] {}},
    {"nothing registered", [] { Write({}); }},
    {"another registration",
     [] {
       Write({});
       SetValue(kProviderKey, L"Image Path", REG_EXPAND_SZ, Text(L"%SystemRoot%\\other.dll"));
       SetValue(kProviderKey, L"Owner", REG_SZ, Text(L"someone else"));
       SetValue(kVendorKey, L"Kept", REG_DWORD, {7, 0, 0, 0});
     }},
};

TEST(KqtoolDemo, EveryStepPassesAndTheRegistryIsAsItWas) {
  const DeployedRegistry deployed;
  for (const Setting& setting : kSettings) {
    setting.arrange();
    const RegistryTree before = Snapshot();
    const std::set<std::string> containers = MicrosoftContainers();
    const kq::test::CommandResult run =
        kq::test::RunCommand({KQ_TEST_BIN_DIR "/kqtool" KQ_TEST_PROGRAM_SUFFIX, "demo"});
    EXPECT_EQ(run.exitCode, 0) << setting.what << "\n" << run.out;
    EXPECT_NE(run.out.find("all 18 steps passed"), std::string::npos) << setting.what;
    EXPECT_TRUE(Snapshot() == before) << setting.what << ": the registry changed";
    EXPECT_EQ(MicrosoftContainers(), containers) << setting.what;
  }
}

}  // namespace
