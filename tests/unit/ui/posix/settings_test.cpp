#include "ui/settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/temp_registry.h"

namespace kq::ui {
namespace {

TEST(Settings, SecureDesktopFlagFollowsTheValue) {
  test::TempRegistry registry;
  using Key = test::TempRegistry;
  const std::tuple<std::string, SettingStatus, bool> cases[] = {
      {Key::SettingsKey("\"IsUseSecDesk\"=dword:00000000"), SettingStatus::kOk, false},
      {Key::SettingsKey("\"isusesecdesk\"=dword:00000007"), SettingStatus::kOk, true},
      {Key::SettingsKey("\"IsUseSecDesk\"=hex:01,00,00,00,00"), SettingStatus::kValueMissing,
       false},
      {"", SettingStatus::kKeyMissing, false}};
  for (const auto& [content, status, enabled] : cases) {
    // Start from "on" so each case shows the flag is cleared first.
    registry.Write(test::TempRegistry::SettingsKey("\"IsUseSecDesk\"=dword:1"));
    ASSERT_EQ(ReadSecureDesktopSetting(), SettingStatus::kOk);
    ASSERT_TRUE(SecureDesktopEnabled());
    registry.Write(content);
    EXPECT_EQ(ReadSecureDesktopSetting(), status) << content;
    EXPECT_EQ(SecureDesktopEnabled(), enabled) << content;
  }
}

}  // namespace
}  // namespace kq::ui
