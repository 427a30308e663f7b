// The channels the POSIX build talks through besides the device: the registry file named by
// KQCSP_REGISTRY, the locale variables that give the system language, and the UI log (a file
// opened for appending, else standard error).
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "standin_scene.h"

namespace kq::contract {
namespace {

using Fields = std::vector<std::string>;

// A registry export as the Windows registry editor writes it: UTF-16LE with a byte-order mark,
// CRLF line ends. Key and value names in another letter case than the system asks for.
std::vector<uint8_t> RegistryExport() {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\software\\kqvn\\ORVENIA]\r\n"
      u"\"languageid\"=dword:00000404\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\"
      u"KQCSP For ORV v2.0]\r\n"
      u"\"Image Path\"=\"kqcsp.dll\"\r\n"
      u"\"Type\"=dword:00000001\r\n"
      u"\"Signature\"=hex:00,01,02\r\n";
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (const char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

std::string FirstUiLine(const StandInScene& scene) {
  const std::vector<std::string> log = scene.UiLog();
  return log.empty() ? std::string() : log.front();
}

TEST(UiSettings, RegistryFileSelectsTheLanguage) {
  StandInScene scene;
  test::TempDirectory files;
  scene.env()["KQCSP_REGISTRY"] = files.Write("machine.reg", RegistryExport()).string();
  const ChildResult run = scene.Probe({"init", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(FirstUiLine(scene), "WAIT 3 即將初始化Vexa,請確認\t0");
}

TEST(UiSettings, LocaleVariablesSelectTheLanguageWithoutRegistry) {
  struct Case {
    std::optional<std::string> all;
    std::optional<std::string> messages;
    std::optional<std::string> lang;
    std::string caption;
  };
  const Case cases[] = {
      {std::nullopt, "zh_CN.UTF-8", "C", "即将初始化Vexa,请确认"},
      {"zh_HK.UTF-8", "zh_CN.UTF-8", "en_US.UTF-8", "即將初始化Vexa,請確認"},
      {std::nullopt, std::nullopt, "zh_SG.GB2312", "即将初始化Vexa,请确认"},
      {std::nullopt, std::nullopt, "ja_JP.UTF-8", "Init USBKey,please confirm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    StandInScene scene;
    scene.env()["LC_ALL"] = c.all;
    scene.env()["LC_MESSAGES"] = c.messages;
    scene.env()["LANG"] = c.lang;
    const ChildResult run = scene.Probe({"init", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(FirstUiLine(scene), "WAIT 3 " + c.caption + "\t0");
  }
}

TEST(UiSettings, PresenceChecksReadTheRegistryFile) {
  StandInScene scene;
  ChildResult run = scene.Probe({"presence"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // "驱动程序未安装" and "CSP未安装" in code page 936.
  EXPECT_EQ(run.Step("driver"), (Fields{"0", "c7fdb6afb3ccd0f2ceb4b0b2d7b0"}));
  EXPECT_EQ(run.Step("csp"), (Fields{"0", "435350ceb4b0b2d7b0"}));

  test::TempDirectory files;
  scene.env()["KQCSP_REGISTRY"] = files.Write("machine.reg", RegistryExport()).string();
  run = scene.Probe({"presence"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("driver"), (Fields{"1", "-"}));
  EXPECT_EQ(run.Step("csp"), (Fields{"1", "-"}));
}

TEST(UiSettings, UiLogIsAppendedToAndOtherwiseStandardError) {
  StandInScene scene;
  {
    std::ofstream earlier(scene.uiLogPath());
    earlier << "EARLIER LINE\n";
  }
  ChildResult run = scene.Probe({"init", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  const std::vector<std::string> log = scene.UiLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log.front(), "EARLIER LINE");
  EXPECT_EQ(log.back(), "WAITEND 3 1");

  scene.env()["KQCSP_UI_LOG"] = std::nullopt;
  run = scene.Probe({"init", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_NE(run.errors.find("\nWAITEND 3 1\n"), std::string::npos) << run.errors;
  EXPECT_EQ(scene.UiLog().size(), 6u);
}

TEST(UiSettings, PinTriesWarningShowsItsTextOnceAndEndsWithTheKey) {
  const std::string warning =
      "WAIT pin USBKEY PIN Retry Times Infomation\tInput incorrect PIN continuously, left you 5 "
      "time(s) verification, please make sure you input the correct PIN then press the \"OK\" "
      "button!";
  struct Case {
    const char* pin;
    Fields result;
  };
  const Case cases[] = {{"12345678", {"1", "0"}}, {"00000000", {"0", "8010006B"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pin);
    StandInScene scene;
    scene.env()["STANDIN_TRIES"] = "5";
    scene.env()["STANDIN_BUTTON_OPS"] = "VerifyPIN";
    const ChildResult run = scene.Probe({"setpin", c.pin});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.Step("setpin"), c.result);
    EXPECT_EQ(scene.UiLog(), (std::vector<std::string>{warning, "WAITEND pin 1"}));
  }
}

TEST(UiSettings, NotificationsWithoutAListenerChangeNothing) {
  for (const std::optional<std::string>& socket :
       {std::optional<std::string>(), std::optional<std::string>("/nonexistent/notify.sock")}) {
    StandInScene scene;
    scene.env()["KQCSP_NOTIFY_SOCKET"] = socket;
    const ChildResult run = scene.Probe({"init", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.Step("init"), (Fields{"0"}));
    EXPECT_TRUE(scene.Datagrams().empty());
  }
}

}  // namespace
}  // namespace kq::contract
