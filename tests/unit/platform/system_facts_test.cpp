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

TEST(SystemFacts, PosixIsA64BitSystemWithoutWindows) {
  EXPECT_EQ(NativeProcessorArchitecture(), kProcessorArchitectureAmd64);
  EXPECT_EQ(ActiveWindow(), nullptr);
}

}  // namespace
}  // namespace kq::platform
