#include <gtest/gtest.h>

#include "platform/system_facts.h"
#include "support/scoped_env.h"

namespace kq::platform {
namespace {

// On Linux the system's language is the locale's (LC_ALL, then LC_MESSAGES, then LANG); only the
// Chinese regions have languages of their own.
TEST(SystemFacts, LanguageFollowsLcAllThenLcMessagesThenLang) {
  test::ScopedEnv all("LC_ALL", std::nullopt);
  test::ScopedEnv messages("LC_MESSAGES", std::nullopt);
  test::ScopedEnv lang("LANG", std::nullopt);
  EXPECT_EQ(SystemDefaultLanguageId(), 1033);
  const std::pair<const char*, uint32_t> names[] = {
      {"zh_SG", 4100}, {"zh_HK.UTF-8@stroke", 3076}, {"zh_MO", 5124}, {"zh", 1033}, {"C", 1033}};
  for (const auto& [name, language] : names) {
    lang.Set(name);
    EXPECT_EQ(SystemDefaultLanguageId(), language) << name;
  }
  lang.Set("zh_TW.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 1028);
  messages.Set("zh_HK.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 3076);
  all.Set("zh_CN.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 2052);
  all.Set("");  // empty counts as unset
  EXPECT_EQ(SystemDefaultLanguageId(), 3076);
}

}  // namespace
}  // namespace kq::platform
