#include "ui/settings.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/temp_registry.h"

namespace kq::ui {
namespace {

TEST(Settings, SecureDesktopFlagFollowsTheValue) {
  test::TempRegistry registry;
  using Key = test::TempRegistry;
  const std::pair<std::string, bool> cases[] = {
      {Key::SettingsKey("\"IsUseSecDesk\"=dword:00000000"), false},
      {Key::SettingsKey("\"isusesecdesk\"=dword:00000007"), true},
      {Key::SettingsKey("\"IsUseSecDesk\"=hex:01,00,00,00,00"), false},
      {"", false}};
  for (const auto& [content, enabled] : cases) {
    // Start from "on" so each case shows the flag is cleared first.
    registry.Write(test::TempRegistry::SettingsKey("\"IsUseSecDesk\"=dword:1"));
    ASSERT_EQ(ReadSecureDesktopSetting(), SettingStatus::kOk);
    ASSERT_TRUE(SecureDesktopEnabled());
    registry.Write(content);
    (void)ReadSecureDesktopSetting();
    EXPECT_EQ(SecureDesktopEnabled(), enabled) << content;
  }
}

}  // namespace
}  // namespace kq::ui
