// `cmake --install` into a temporary prefix: the provider, the soft key, the programs, the header
// and a registry file with which the installed provider finds itself registered.
#include <filesystem>

#include <gtest/gtest.h>

#include "json_reader.h"
#include "kqtool_process.h"
#include "support/scoped_env.h"

namespace kq::test {
namespace {

TEST(KqtoolInstall, InstallsEverythingAndRegistersTheProvider) {
  TempDirectory prefix;
  const ProgramRun install =
      RunCommand({KQ_CMAKE_COMMAND, "--install", KQ_BUILD_DIR, "--prefix", prefix.path().string()});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  const std::filesystem::path root = prefix.path();
  std::vector<std::string> expected = {"bin/kqtool", "include/kqcsp.h", "etc/kqcsp/registry.reg"};
  for (const char* optional : {"bin/kqsim", "lib/libKQORV_Zantu.so", "lib/libKQORVUI.so"}) {
    // The soft key is installed whenever it is built.
    if (std::filesystem::exists(std::filesystem::path(KQ_TEST_BIN_DIR) / ".." / optional)) {
      expected.emplace_back(optional);
    }
  }
  for (const std::string& file : expected) {
    EXPECT_TRUE(std::filesystem::exists(root / file)) << file;
  }
  // The library folder depends on the system (lib, lib64, lib/<triplet>).
  std::filesystem::path provider;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == "libkqcsp.so") {
      provider = entry.path();
    }
  }
  ASSERT_FALSE(provider.empty());

  const std::string registry = ReadText((root / "etc/kqcsp/registry.reg").string());
  EXPECT_NE(registry.find("\"Image Path\"=\"" + provider.string() + "\""), std::string::npos)
      << registry;
  EXPECT_NE(registry.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]"), std::string::npos);
  EXPECT_NE(registry.find("\"IsUseSecDesk\"=dword:00000000"), std::string::npos);

  // The installed kqtool loads the installed provider, which finds itself registered.
  ScopedEnv registryFile("KQCSP_REGISTRY", (root / "etc/kqcsp/registry.reg").string());
  const ProgramRun check =
      RunCommand({(root / "bin/kqtool").string(), "--json", "check", "driver"});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  const ProgramRun csp = RunCommand({(root / "bin/kqtool").string(), "--json", "check", "csp"});
  EXPECT_EQ(csp.exitCode, 0) << csp.out << csp.err;
  const Json json = ParseJson(csp.out);
  EXPECT_EQ(json["calls"].at(0)["status"]["name"].get<std::string>(), "KQ_PRESENT");
}

}  // namespace
}  // namespace kq::test
