// kqtool.exe demo as a Windows user runs it: every step passes, and afterwards the registry and
// the Microsoft provider's key containers are exactly as they were, whether the installation had
// registered the provider, nothing was registered, or another registration was in place. The
// demo writes the registry of the whole prefix, so no other test may run beside this one.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/run_command.h"
#include "support/temp_directory.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

const std::string kRoots[] = {
    "HKLM\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0",
    "HKLM\\SOFTWARE\\KQVN"};

// Both roots with every key and value below them, as `reg export` writes them into the folder.
std::string Snapshot(const test::TempDirectory& folder) {
  std::string text;
  for (size_t i = 0; i < std::size(kRoots); ++i) {
    const std::string file = folder.File("root" + std::to_string(i) + ".reg");
    std::filesystem::remove(file);
    test::RunCommand({"reg", "export", kRoots[i], file, "/y"});
    text += test::ReadText(file) + "\n";
  }
  return text;
}

void Clear() {
  for (const std::string& root : kRoots) {
    test::RunCommand({"reg", "delete", root, "/f"});
  }
}

// The key containers of the Microsoft provider that the demo's CA uses.
std::set<std::string> MicrosoftContainers() {
  std::set<std::string> names;
  CryptContext provider;
  EXPECT_TRUE(CryptAcquireContextW(provider.out(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                                   CRYPT_VERIFYCONTEXT));
  char name[512];
  for (DWORD flags = CRYPT_FIRST, length = sizeof name; CryptGetProvParam(
           provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, flags);
       flags = 0, length = sizeof name) {
    names.insert(name);
  }
  return names;
}

TEST(KqtoolDemo, EveryStepPassesAndTheRegistryIsAsItWas) {
  const test::TempDirectory deployed;
  const std::string installation = Snapshot(deployed);
  ASSERT_NE(installation.find(std::string("P\0a\0t\0h", 7)), std::string::npos);  // UTF-16
  const std::pair<const char*, void (*)()> settings[] = {
      {"the installation's registration", [] {}},
      {"nothing registered", Clear},
      {"another registration",
       [] {
         Clear();
         test::RunCommand({"reg", "add", kRoots[0], "/v", "Image Path", "/t", "REG_EXPAND_SZ", "/d",
                           "%SystemRoot%\\other.dll", "/f"});
         test::RunCommand({"reg", "add", kRoots[0], "/v", "Owner", "/d", "someone else", "/f"});
         test::RunCommand(
             {"reg", "add", kRoots[1], "/v", "Kept", "/t", "REG_DWORD", "/d", "7", "/f"});
       }},
  };
  for (const auto& [what, arrange] : settings) {
    arrange();
    const test::TempDirectory folder;
    const std::string before = Snapshot(folder);
    const std::set<std::string> containers = MicrosoftContainers();
    const test::CommandResult run =
        test::RunCommand({KQ_TEST_BIN_DIR "/kqtool" KQ_TEST_PROGRAM_SUFFIX, "demo"});
    EXPECT_EQ(run.exitCode, 0) << what << "\n" << run.out;
    EXPECT_NE(run.out.find("all 18 steps passed"), std::string::npos) << what;
    EXPECT_EQ(Snapshot(folder), before) << what << ": the registry changed";
    EXPECT_EQ(MicrosoftContainers(), containers) << what;
  }
  // The deployment's registration back for whatever runs next.
  Clear();
  for (size_t i = 0; i < std::size(kRoots); ++i) {
    EXPECT_EQ(
        test::RunCommand({"reg", "import", deployed.File("root" + std::to_string(i) + ".reg")})
            .exitCode,
        0);
  }
  EXPECT_EQ(Snapshot(deployed), installation);
}

}  // namespace
}  // namespace kq::wintest
