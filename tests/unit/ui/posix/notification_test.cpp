#include <gtest/gtest.h>

#include "support/notify_listener.h"
#include "ui/notifications.h"

namespace kq::ui {
namespace {

TEST(Notifications, ReaderNumberIsReadAfterThePrefixAsAtoiReadsIt) {
  const std::pair<const char*, int> cases[] = {
      {"ORV ZANTULDCCID 12", 12},
      {"xORV ZANTULDCCID 7abc", 7},
      {"ORV ZANTULDCCID   +3", 3},
      {"ORV ZANTULDCCID -2", -2},
      {"ORV ZANTULDCCID 99999999999999999999", 2147483647},
      {"ORV ZANTULDCCID -99999999999999999999", -2147483647 - 1},
      {"ORV ZANTULDCCID", 0},
      {"other reader 5", 0}};
  for (const auto& [name, number] : cases) {
    EXPECT_EQ(ReaderNumberOf(name), number) << name;
  }
  EXPECT_TRUE(IsNumberedReaderName("ORV ZANTULDCCID 0"));
  EXPECT_FALSE(IsNumberedReaderName("ORV ZANTULDCCID "));  // 16 characters
  EXPECT_FALSE(IsNumberedReaderName("orv zantuldccid 0"));
}

TEST(Notifications, RefreshPinBroadcastCarriesReaderAndLowByte) {
  test::NotifyListener listener;
  ASSERT_TRUE(listener.ready());
  const uint32_t message = RefreshPinMessage();
  ASSERT_NE(message, 0u);
  EXPECT_EQ(RefreshPinMessage(), message);

  EXPECT_TRUE(BroadcastRefreshPin(message, "ORV ZANTULDCCID 0", kLoginSucceededLowByte));
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_TOOL_REFRESHPIN 6 0\n");
  EXPECT_TRUE(BroadcastRefreshPin(message, "ORV ZANTULDCCID 12", 0x03));
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_TOOL_REFRESHPIN 3075 0\n");  // 0x0C03

  EXPECT_FALSE(BroadcastRefreshPin(message, "Some Reader 1", 6));
  EXPECT_FALSE(BroadcastRefreshPin(message, "ORV ZANTULDCCID ", 6));
  EXPECT_FALSE(listener.NextLine(std::chrono::milliseconds(50)).has_value());
}

}  // namespace
}  // namespace kq::ui
