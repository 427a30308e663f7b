// The driver and provider checks read the machine's registry (on POSIX the KQCSP_REGISTRY file).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "support/temp_registry.h"
#include "tool_library.h"

namespace {

using PresenceWithKey = kqtest::ToolTest;

const std::string kDriverMissing = "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xB4\xB0\xB2\xD7\xB0";
const std::string kProviderMissing = "CSP\xCE\xB4\xB0\xB2\xD7\xB0";
const std::string kDriver =
    "[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n\"LanguageID\"=dword:00000409\n";
const std::string kProvider =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV "
    "v2.0]\n\"Image Path\"=\"kqcsp.dll\"\n\"Type\"=dword:00000001\n";

TEST(PresenceChecks, DriverAndProviderKeys) {
  const auto& lib = kq::test::Provider();
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

// With a key attached, KQ_CheckDevice and KQ_CheckWorkStatus (which only calls it) answer each
// state of their walk: the key present (nothing written), the listing failing at either call, the
// key failing to open. No handle stays open.
TEST_F(PresenceWithKey, EachStateOfTheWalkHasItsAnswerAndMessage) {
  AddKey();
  const std::string enumerationFailed = "\xC3\xB6\xBE\xD9\xC9\xE8\xB1\xB8\xCA\xA7\xB0\xDC";
  const std::string openFailed = "\xB4\xF2\xBF\xAA\xC9\xE8\xB1\xB8\xCA\xA7\xB0\xDC";
  for (const auto check : {lib.CheckDevice, lib.CheckWorkStatus}) {
    for (const auto& [faults, answer, text] : {std::tuple{"", 1u, std::string()},
                                               {"EnumDev:1:0x6F00", 0u, enumerationFailed},
                                               {"EnumDev:2:0x6F00", 0u, enumerationFailed},
                                               {"OpenDev:1:0x6F00", 0u, openFailed}}) {
      scene.SetProcessFaults(faults);
      char message[32];
      std::memset(message, 0, sizeof message);
      EXPECT_EQ(check(message), answer) << faults;
      EXPECT_EQ(std::string(message), text) << faults;
      scene.SetProcessFaults("");
    }
  }
  ExpectAllClosed("the presence checks");
}

}  // namespace
