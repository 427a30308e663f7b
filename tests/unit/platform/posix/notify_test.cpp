#include "platform/notify.h"

#include <gtest/gtest.h>

#include "support/notify_listener.h"
#include "support/scoped_env.h"

namespace kq::platform {
namespace {

TEST(NotifyPort, RegistrationGivesOneIdentifierPerName) {
  const uint32_t a = RegisterNotification(u"KQ_TEST_A");
  const uint32_t b = RegisterNotification(u"KQ_TEST_B");
  EXPECT_GE(a, 0xC000u);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterNotification(u"KQ_TEST_A"), a);
  EXPECT_EQ(RegisterNotification(u""), 0u);
}

TEST(NotifyPort, EachEventIsOneDatagramWithDecimalNumbers) {
  test::NotifyListener listener;
  ASSERT_TRUE(listener.ready());
  const uint32_t refresh = RegisterNotification(u"KQ_ORV_TOOL_REFRESHPIN");
  const uint32_t import = RegisterNotification(u"KQ_ORV_IMPORTCERTMSGID");

  BroadcastNotification(refresh, 0x0C03, 0);
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_TOOL_REFRESHPIN 3075 0\n");
  EXPECT_TRUE(SendToMarkedWindow(import, 1, 12, u"marker"));
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_IMPORTCERTMSGID 1 12\n");

  // Identifier 0 and identifiers never registered send nothing.
  BroadcastNotification(0, 1, 1);
  EXPECT_FALSE(SendToMarkedWindow(0xBFFF, 1, 1, u"marker"));
  EXPECT_FALSE(listener.NextLine(std::chrono::milliseconds(50)).has_value());
}

TEST(NotifyPort, NothingIsSentWithoutAListener) {
  const uint32_t refresh = RegisterNotification(u"KQ_ORV_TOOL_REFRESHPIN");
  {
    test::ScopedEnv unset("KQCSP_NOTIFY_SOCKET", std::nullopt);
    EXPECT_FALSE(SendToMarkedWindow(refresh, 6, 0, u"marker"));
  }
  test::ScopedEnv nobody("KQCSP_NOTIFY_SOCKET", "/tmp/kq-no-such-dir/none.sock");
  BroadcastNotification(refresh, 6, 0);  // must neither block nor fail loudly
  EXPECT_FALSE(SendToMarkedWindow(refresh, 6, 0, u"marker"));
}

}  // namespace
}  // namespace kq::platform
