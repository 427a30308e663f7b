#include "platform/system_facts.h"

#include <gtest/gtest.h>

namespace kq::platform {
namespace {

// Only the Chinese regions have languages of their own; the system is a 64-bit one.
TEST(SystemFacts, LanguageFollowsTheLocaleNameOnA64BitSystem) {
  const std::pair<const char*, uint32_t> names[] = {
      {"zh_CN.UTF-8", 2052},        {"zh_SG", 4100}, {"zh_TW.Big5", 1028},
      {"zh_HK.UTF-8@stroke", 3076}, {"zh_MO", 5124}, {"zh", 1033},
      {"ja_JP.UTF-8", 1033},        {"C", 1033},     {"", 1033}};
  for (const auto& [name, language] : names) {
    EXPECT_EQ(LanguageIdFromLocaleName(name), language) << name;
  }
  EXPECT_EQ(NativeProcessorArchitecture(), kProcessorArchitectureAmd64);
  EXPECT_EQ(ActiveWindow(), nullptr);
}

}  // namespace
}  // namespace kq::platform
