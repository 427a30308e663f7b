#include "platform/system_facts.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"

namespace kq::platform {
namespace {

TEST(SystemFacts, LanguageFollowsTheLocaleName) {
  EXPECT_EQ(LanguageIdFromLocaleName("zh_CN.UTF-8"), 2052);
  EXPECT_EQ(LanguageIdFromLocaleName("zh_SG"), 4100);
  EXPECT_EQ(LanguageIdFromLocaleName("zh_TW.Big5"), 1028);
  EXPECT_EQ(LanguageIdFromLocaleName("zh_HK.UTF-8@stroke"), 3076);
  EXPECT_EQ(LanguageIdFromLocaleName("zh_MO"), 5124);
  EXPECT_EQ(LanguageIdFromLocaleName("zh"), 1033);
  EXPECT_EQ(LanguageIdFromLocaleName("ja_JP.UTF-8"), 1033);
  EXPECT_EQ(LanguageIdFromLocaleName("C"), 1033);
  EXPECT_EQ(LanguageIdFromLocaleName(""), 1033);
}

TEST(SystemFacts, LcAllThenLcMessagesThenLang) {
  test::ScopedEnv all("LC_ALL", std::nullopt);
  test::ScopedEnv messages("LC_MESSAGES", std::nullopt);
  test::ScopedEnv lang("LANG", std::nullopt);
  EXPECT_EQ(SystemDefaultLanguageId(), 1033);
  lang.Set("zh_TW.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 1028);
  messages.Set("zh_HK.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 3076);
  all.Set("zh_CN.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 2052);
  all.Set("");  // empty counts as unset
  EXPECT_EQ(SystemDefaultLanguageId(), 3076);
}

TEST(SystemFacts, PosixIsA64BitSystemWithoutWindows) {
  EXPECT_EQ(NativeProcessorArchitecture(), kProcessorArchitectureAmd64);
  EXPECT_EQ(ActiveWindow(), nullptr);
}

}  // namespace
}  // namespace kq::platform
