// The driver and provider checks read the machine's registry (on POSIX the KQCSP_REGISTRY file).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/temp_registry.h"
#include "tool_library.h"

namespace {

using kqtest::ToolLibrary;

const std::string kDriverMissing = "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xB4\xB0\xB2\xD7\xB0";
const std::string kProviderMissing = "CSP\xCE\xB4\xB0\xB2\xD7\xB0";

const std::string kProviderKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV "
    "v2.0]\n";

TEST(PresenceChecks, DriverKey) {
  auto& lib = ToolLibrary::Get();
  kq::test::TempRegistry registry("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n");
  char message[32];
  std::memset(message, 'x', sizeof message);
  EXPECT_EQ(lib.CheckDriver(message), 0u);
  EXPECT_EQ(std::string(message), kDriverMissing);
  EXPECT_LE(kDriverMissing.size() + 1, 15u);
  EXPECT_EQ(lib.CheckDriver(nullptr), 0u);
  registry.Write(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n\"LanguageID\"=dword:00000409\n");
  std::memset(message, 'x', sizeof message);
  EXPECT_EQ(lib.CheckDriver(message), 1u);
  EXPECT_EQ(message[0], 'x');  // nothing written on success
}

TEST(PresenceChecks, ProviderNeedsItsThreeValues) {
  auto& lib = ToolLibrary::Get();
  kq::test::TempRegistry registry("REGEDIT4\n");
  char message[32] = {};
  EXPECT_EQ(lib.CheckCSP(message), 0u);
  EXPECT_EQ(std::string(message), kProviderMissing);
  registry.Write("REGEDIT4\n\n" + kProviderKey +
                 "\"Image Path\"=\"kqcsp.dll\"\n\"Type\"=dword:00000001\n");
  std::memset(message, 0, sizeof message);
  EXPECT_EQ(lib.CheckCSP(message), 0u);  // no "Signature"
  EXPECT_EQ(std::string(message), kProviderMissing);
  registry.Write(
      "REGEDIT4\n\n" + kProviderKey +
      "\"Image Path\"=\"kqcsp.dll\"\n\"Type\"=dword:00000001\n\"Signature\"=hex:00,11\n");
  EXPECT_EQ(lib.CheckCSP(message), 1u);
}

}  // namespace
