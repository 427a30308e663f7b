// The driver and provider checks read the machine's registry (on POSIX the KQCSP_REGISTRY file).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/temp_registry.h"
#include "tool_library.h"

namespace {

const std::string kDriverMissing = "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xB4\xB0\xB2\xD7\xB0";
const std::string kProviderMissing = "CSP\xCE\xB4\xB0\xB2\xD7\xB0";
const std::string kDriver =
    "[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n\"LanguageID\"=dword:00000409\n";
const std::string kProvider =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV "
    "v2.0]\n\"Image Path\"=\"kqcsp.dll\"\n\"Type\"=dword:00000001\n";

TEST(PresenceChecks, DriverAndProviderKeys) {
  auto& lib = kqtest::ToolLibrary::Get();
  kq::test::TempRegistry registry;
  // The registry's text; the checks' answers and messages ("" when nothing is written).
  for (const auto& [text, driver, driverMessage, provider, providerMessage] :
       {std::tuple{std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"), 0u, kDriverMissing, 0u,
                   kProviderMissing},
        {kDriver + kProvider, 1u, std::string(), 0u, kProviderMissing},  // no "Signature"
        {kProvider + "\"Signature\"=hex:00,11\n", 0u, kDriverMissing, 1u, std::string()}}) {
    registry.Write("REGEDIT4\n\n" + text);
    char message[32];
    std::memset(message, 0, sizeof message);
    EXPECT_EQ(lib.CheckDriver(message), driver) << text;
    EXPECT_EQ(std::string(message), driverMessage) << text;
    std::memset(message, 0, sizeof message);
    EXPECT_EQ(lib.CheckCSP(message), provider) << text;
    EXPECT_EQ(std::string(message), providerMessage) << text;
    EXPECT_EQ(lib.CheckDriver(nullptr), driver);
  }
}

}  // namespace
