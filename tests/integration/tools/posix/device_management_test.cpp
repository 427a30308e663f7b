// Device management exports against soft keys: presence, families, media ids, initialisation and
// PIN change with the button, and the handles closed after every call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/notify_listener.h"
#include "tool_scene.h"

namespace {

using kqtest::ToolTest;

class NoKey : public ToolTest {};

TEST_F(NoKey, EveryExportReportsTheMissingKey) {
  char message[32];
  std::memset(message, 'x', sizeof message);
  EXPECT_EQ(lib.CheckDevice(message), 0u);
  EXPECT_EQ(std::string(message), kqtest::kNoDeviceMessage);
  std::memset(message, 'x', sizeof message);
  EXPECT_EQ(lib.CheckWorkStatus(message), 0u);
  EXPECT_EQ(std::string(message), kqtest::kNoDeviceMessage);
  EXPECT_EQ(lib.CheckDevice(nullptr), 0u);
  EXPECT_EQ(lib.GetListNum(1), 0u);
  EXPECT_EQ(lib.GetListNum(0), 0u);
  int32_t length = 100;
  EXPECT_EQ(lib.GetMediaID(nullptr, &length, 1), 101u);
  EXPECT_EQ(lib.ChangePIN(nullptr, "12345678", "87654321"), 101u);
  EXPECT_EQ(lib.InitCard(nullptr, 0), 101u);
  uint32_t idLength = 100;
  EXPECT_EQ(lib.GetIDValue("730000000001", nullptr, &idLength), 101u);
  const uint8_t list[] = {0, 1, 0xAB, 0, 1, 3};
  const int callerData = 0;
  EXPECT_EQ(
      lib.GetPubKeySignValue(&callerData, "730000000001", list, sizeof list, nullptr, &length),
      101u);
  length = 100;
  EXPECT_EQ(lib.GetAllCertDN("730000000001", nullptr, &length), 0u);
  EXPECT_EQ(length, 0);
  uint32_t count = 99;
  EXPECT_EQ(lib.DeleteTempKeyOrCert("CN=a", 0, "730000000001", &count), 1005u);
  EXPECT_EQ(count, 0u);
  uint32_t size = 0;
  EXPECT_EQ(lib.GetDeviceSN("CN=a", nullptr, &size), 101u);
  EXPECT_EQ(lib.GetCSPName("CN=a", nullptr, &size), 101u);
  const uint8_t data[4] = {1, 2, 3, 4};
  int32_t signatureLength = 0;
  uint32_t certificateLength = 0;
  EXPECT_EQ(lib.GetSignature(data, 4, "CN=a", 4, nullptr, 0, nullptr, &signatureLength, nullptr,
                             &certificateLength),
            3001u);
  const std::string request = "CN=a|RSA1024|SHA1|1";
  EXPECT_EQ(lib.CreatePKCS10(request.c_str(), static_cast<int32_t>(request.size()), "730000000001",
                             nullptr, &length),
            3u);
}

class Families : public ToolTest {
 protected:
  void SetUp() override {
    key72 = AddKey({.family = "72"});
    key73a = AddKey({.family = "73"});
    key71 = AddKey({.family = "71"});
    key73b = AddKey({.family = "73"});
  }
  std::string key72, key73a, key71, key73b;
};

TEST_F(Families, CountedAndListedByTheirFirstTwoCharacters) {
  char message[32] = {};
  EXPECT_EQ(lib.CheckDevice(message), 1u);
  EXPECT_EQ(message[0], '\0');  // nothing written on success
  EXPECT_EQ(lib.GetListNum(1), 2u);
  EXPECT_EQ(lib.GetListNum(0), 1u);
  ExpectAllClosed("KQ_GetListNum");

  const std::string both = scene.MediaId(key73a) + "|" + scene.MediaId(key73b);
  ASSERT_EQ(both.size(), 25u);
  int32_t length = 0;
  EXPECT_EQ(lib.GetMediaID(nullptr, &length, 1), 0u);
  EXPECT_EQ(length, 26);
  char buffer[64];
  length = 25;
  EXPECT_EQ(lib.GetMediaID(buffer, &length, 1), 1101u);
  EXPECT_EQ(length, 26);
  length = 26;
  ASSERT_EQ(lib.GetMediaID(buffer, &length, 1), 0u);
  EXPECT_EQ(length, 26);
  EXPECT_EQ(std::string(buffer), both);
  length = sizeof buffer;
  ASSERT_EQ(lib.GetMediaID(buffer, &length, 0), 0u);
  EXPECT_EQ(std::string(buffer), scene.MediaId(key72));
  ExpectAllClosed("KQ_GetMediaID");
}

TEST_F(Families, AFamilyWithNoKeyIsLikeNoKey) {
  ASSERT_EQ(scene.RunKqsim({"remove", key72}).exitCode, 0);
  int32_t length = 64;
  char buffer[64];
  EXPECT_EQ(lib.GetMediaID(buffer, &length, 0), 101u);
  EXPECT_EQ(lib.GetListNum(0), 0u);
}

TEST_F(Families, WrongMediaIdsFindNoKey) {
  const std::string unknown = "739999999999";
  uint32_t idLength = 0;
  EXPECT_EQ(lib.GetIDValue(unknown.c_str(), nullptr, &idLength), 1103u);
  EXPECT_EQ(lib.ChangePIN(unknown.c_str(), "12345678", "87654321"), 1103u);
  EXPECT_EQ(lib.InitCard(unknown.c_str(), 0), 1103u);
  // An 11-character media id selects nothing, though a key with it as a prefix is attached.
  EXPECT_EQ(lib.InitCard(scene.MediaId(key73a).substr(0, 11).c_str(), 0), 1103u);
  EXPECT_EQ(lib.ChangePIN(scene.MediaId(key73a).substr(0, 11).c_str(), "12345678", "87654321"),
            1103u);
  const uint8_t list[] = {0, 1, 0xAB, 0, 1, 3};
  const int callerData = 0;
  int32_t length = 100;
  uint8_t out[100];
  EXPECT_EQ(lib.GetPubKeySignValue(&callerData, unknown.c_str(), list, sizeof list, out, &length),
            1103u);
  ExpectAllClosed("the wrong media ids");
  EXPECT_EQ(scene.State(key73a).pin, "12345678");
}

TEST_F(Families, ManyKeysGiveTheWholeList) {
  // 45 keys of one family need 584 bytes: more than a fixed 512-byte list could hold.
  for (int i = 0; i < 43; ++i) {
    AddKey({.family = "73"});
  }
  int32_t length = 0;
  ASSERT_EQ(lib.GetMediaID(nullptr, &length, 1), 0u);
  EXPECT_EQ(length, 45 * 13);
  std::string buffer(static_cast<size_t>(length), 'x');
  ASSERT_EQ(lib.GetMediaID(buffer.data(), &length, 1), 0u);
  EXPECT_EQ(buffer.find('|'), 12u);
  EXPECT_EQ(buffer.back(), '\0');
  EXPECT_EQ(lib.GetListNum(1), 45u);
  ExpectAllClosed("KQ_GetMediaID with many keys");
}

class OneKey : public ToolTest {
 protected:
  void SetUp() override { key = AddKey(); }
  std::string key;
};

TEST_F(OneKey, ChangePinWithTheButton) {
  const std::string mediaId = scene.MediaId(key);
  EXPECT_EQ(lib.ChangePIN(mediaId.c_str(), "12345678", "87654321"), 0u);
  EXPECT_EQ(scene.State(key).pin, "87654321");
  // Without a media id the first key is used; a longer id matches on its first 12 characters.
  EXPECT_EQ(lib.ChangePIN(nullptr, "87654321", "11112222"), 0u);
  EXPECT_EQ(lib.ChangePIN((mediaId + "XYZ").c_str(), "11112222", "12345678"), 0u);
  EXPECT_EQ(scene.State(key).pin, "12345678");
  EXPECT_EQ(lib.ChangePIN("", "00000000", "11111111"), 4004u);  // wrong old PIN
  EXPECT_EQ(scene.State(key).pin, "12345678");
  ExpectAllClosed("KQ_ChangePIN");

  for (const auto& [policy, code] :
       {std::pair{"cancel:1", 0x8010006Eu}, {"timeout:2", 0x8010000Au}, {"fail:1", 4005u}}) {
    scene.SetButton(key, policy);
    EXPECT_EQ(lib.ChangePIN(mediaId.c_str(), "12345678", "87654321"), code) << policy;
  }
  EXPECT_EQ(scene.State(key).pin, "12345678");
  ExpectAllClosed("KQ_ChangePIN with the button");
}

TEST_F(OneKey, InitialiseWithTheButtonAndTellTheToolWindow) {
  kq::test::NotifyListener listener;
  ASSERT_TRUE(listener.ready());
  const std::string mediaId = scene.MediaId(key);
  EXPECT_EQ(lib.InitCard(mediaId.c_str(), 0x1234), 0u);
  EXPECT_EQ(scene.State(key).initCount, 1u);
  EXPECT_EQ(scene.State(key).initArgument, 0x1234u);
  auto line = listener.NextLine();
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "KQ_ORV_INITUSBKEYMSGID 0 0\n");
  EXPECT_EQ(lib.InitCard(nullptr, 7), 0u);
  EXPECT_EQ(scene.State(key).initCount, 2u);
  ASSERT_TRUE(listener.NextLine());

  for (const auto& [policy, code] :
       {std::pair{"cancel:1", 0x8010006Eu}, {"timeout:2", 0x8010006Eu}, {"fail:1", 4005u}}) {
    scene.SetButton(key, policy);
    EXPECT_EQ(lib.InitCard(mediaId.c_str(), 0), code) << policy;
  }
  EXPECT_EQ(scene.State(key).initCount, 2u);
  EXPECT_FALSE(listener.NextLine(std::chrono::milliseconds(100)));  // failures are not told
  ExpectAllClosed("KQ_InitCard");
  // The event names the reader index of the key initialised.
  scene.SetButton(key, "ok:1");
  const std::string second = AddKey();
  EXPECT_EQ(lib.InitCard(scene.MediaId(second).c_str(), 0), 0u);
  EXPECT_EQ(listener.NextLine(), "KQ_ORV_INITUSBKEYMSGID 1 0\n");
  EXPECT_EQ(scene.State(key).initCount, 2u);
  EXPECT_EQ(scene.State(second).initCount, 1u);
}

TEST_F(OneKey, IdentityData) {
  const std::string mediaId = scene.MediaId(key);
  uint32_t length = 0;
  EXPECT_EQ(lib.GetIDValue(mediaId.c_str(), nullptr, &length), 0u);  // the key's own size query
  ASSERT_GT(length, 1u);
  std::vector<uint8_t> block(length);
  uint32_t shortLength = length - 1;
  EXPECT_EQ(lib.GetIDValue(mediaId.c_str(), block.data(), &shortLength), 1101u);
  ASSERT_EQ(lib.GetIDValue(mediaId.c_str(), block.data(), &length), 0u);
  EXPECT_EQ(length, block.size());
  ExpectAllClosed("KQ_GetIDValue");
}

}  // namespace
