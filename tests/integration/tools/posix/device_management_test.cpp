// Device management exports against soft keys: families, media ids, initialisation and PIN change
// with the button, and the handles closed after every call.
#include <gtest/gtest.h>

#include <string>

#include "support/notify_listener.h"
#include "tool_library.h"

namespace {

using kqtest::ToolTest;

using DeviceManagement = ToolTest;

TEST_F(DeviceManagement, KeysAreCountedAndListedByFamily) {
  const std::string key72 = AddKey({.family = "72"});
  const std::string key73a = AddKey({.family = "73"});
  AddKey({.family = "71"});
  const std::string key73b = AddKey({.family = "73"});
  EXPECT_EQ(lib.GetListNum(1), 2u);
  EXPECT_EQ(lib.GetListNum(0), 1u);
  const std::string both = scene.MediaId(key73a) + "|" + scene.MediaId(key73b);
  ASSERT_EQ(both.size(), 25u);
  char buffer[64];
  int32_t length = 0;
  EXPECT_EQ(lib.GetMediaID(nullptr, &length, 1), 0u);
  EXPECT_EQ(length, 26);
  length = 25;
  EXPECT_EQ(lib.GetMediaID(buffer, &length, 1), 1101u);
  EXPECT_EQ(length, 26);
  ASSERT_EQ(lib.GetMediaID(buffer, &length, 1), 0u);
  EXPECT_EQ(std::string(buffer), both);
  length = sizeof buffer;
  ASSERT_EQ(lib.GetMediaID(buffer, &length, 0), 0u);
  EXPECT_EQ(std::string(buffer), scene.MediaId(key72));
  ExpectAllClosed("KQ_GetMediaID");

  // A family with no key is like no key.
  ASSERT_EQ(scene.RunKqsim({"remove", key72}).exitCode, 0);
  length = sizeof buffer;
  EXPECT_EQ(lib.GetMediaID(buffer, &length, 0), 101u);
  EXPECT_EQ(lib.GetListNum(0), 0u);
}

TEST_F(DeviceManagement, ChangePinInitialiseAndIdentityWithTheButton) {
  const std::string key = AddKey();
  const std::string mediaId = scene.MediaId(key);
  kq::test::NotifyListener listener;
  ASSERT_TRUE(listener.ready());
  EXPECT_EQ(lib.ChangePIN(mediaId.c_str(), "12345678", "87654321"), 0u);
  EXPECT_EQ(scene.State(key).pin, "87654321");
  // Without a media id the first key is used; a longer id matches on its first 12 characters.
  EXPECT_EQ(lib.ChangePIN(nullptr, "87654321", "11112222"), 0u);
  EXPECT_EQ(lib.ChangePIN((mediaId + "XYZ").c_str(), "11112222", "12345678"), 0u);
  EXPECT_EQ(lib.ChangePIN("", "00000000", "11111111"), 4004u);  // wrong old PIN
  EXPECT_EQ(scene.State(key).pin, "12345678");
  EXPECT_EQ(lib.InitCard(mediaId.c_str(), 0x1234), 0u);
  EXPECT_EQ(scene.State(key).initArgument, 0x1234u);
  EXPECT_EQ(lib.InitCard(nullptr, 7), 0u);
  EXPECT_EQ(scene.State(key).initCount, 2u);
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_INITUSBKEYMSGID 0 0\n");
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_INITUSBKEYMSGID 0 0\n");

  // The button refused each way: the PIN export counts a timeout as such, initialisation not.
  for (const auto& [policy, pinCode, initCode] : {std::tuple{"cancel:1", 0x8010006Eu, 0x8010006Eu},
                                                  {"timeout:2", 0x8010000Au, 0x8010006Eu},
                                                  {"fail:1", 4005u, 4005u}}) {
    scene.SetButton(key, policy);
    EXPECT_EQ(lib.ChangePIN(mediaId.c_str(), "12345678", "87654321"), pinCode) << policy;
    EXPECT_EQ(lib.InitCard(mediaId.c_str(), 0), initCode) << policy;
  }
  EXPECT_EQ(scene.State(key).pin, "12345678");
  EXPECT_EQ(scene.State(key).initCount, 2u);
  EXPECT_FALSE(listener.NextLine(std::chrono::milliseconds(100)));  // failures are not told
  ExpectAllClosed("KQ_ChangePIN and KQ_InitCard");

  // The event names the reader index of the key initialised.
  scene.SetButton(key, "ok:1");
  const std::string second = AddKey();
  EXPECT_EQ(lib.InitCard(scene.MediaId(second).c_str(), 0), 0u);
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_INITUSBKEYMSGID 1 0\n");
  EXPECT_EQ(scene.State(key).initCount, 2u);

  uint32_t length = 0;
  EXPECT_EQ(lib.GetIDValue(mediaId.c_str(), nullptr, &length), 0u);  // the key's own size query
  ASSERT_GT(length, 1u);
  std::vector<uint8_t> block(length);
  uint32_t shortLength = length - 1;
  EXPECT_EQ(lib.GetIDValue(mediaId.c_str(), block.data(), &shortLength), 1101u);
  EXPECT_EQ(lib.GetIDValue(mediaId.c_str(), block.data(), &length), 0u);
  EXPECT_EQ(length, block.size());
  ExpectAllClosed("KQ_GetIDValue");
}

}  // namespace
