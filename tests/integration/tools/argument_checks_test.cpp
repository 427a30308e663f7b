// Calls the tool exports answer without a usable key: misuse, which is refused before any key is
// looked for, no key attached, and media ids or readers that name no attached key.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "tool_library.h"

namespace {

using kqtest::ToolTest;

class ToolRefusals : public ToolTest {
 protected:
  void SetUp() override { ASSERT_EQ(lib.FunctionList(&table), 0u); }

  KqFunctionList table{};
  const char* reader = "ORV ZANTULDCCID 0";
  const char* media = "730000000001";
  const uint8_t data[33] = {1, 2, 3, 4};
  const uint8_t list[6] = {0, 1, 0xAB, 0, 1, 3};  // one public key item
  char text[64] = {};
  int32_t length = 0;
  uint32_t size = 0;
  uint32_t count = 99;
  uint8_t a = 0;
  uint32_t va = 0;
  const int callerData = 0;
};

// No key is attached: the misuse rows must be refused for what they are, not for the missing key.
TEST_F(ToolRefusals, MisuseAndNoKey) {
  const std::string one = "CN=a,T=S|RSA2048|SHA256|2";
  const std::string four = one + "||" + one + "||" + one + "||" + one;
  const auto n = [](const std::string& s) { return static_cast<int32_t>(s.size()); };
  const uint8_t* d = data;
  const uint8_t* l = list;
  kqtest::ExpectCodes({
      KQ_ROW(1104u, lib.CSPName(text, nullptr)),
      KQ_ROW(1104u, lib.GetDeviceSN(nullptr, nullptr, &size)),
      KQ_ROW(1104u, lib.GetCSPName(nullptr, nullptr, &size)),
      KQ_ROW(4001u, lib.ChangePIN(nullptr, "123456", "12345678")),
      KQ_ROW(4001u, lib.ChangePIN(nullptr, nullptr, "12345678")),
      KQ_ROW(4001u, lib.GetMediaID(nullptr, nullptr, 1)),
      KQ_ROW(4001u, lib.GetAllCertDN("7300000001", nullptr, &length)),
      KQ_ROW(4001u, lib.DeleteTempKeyOrCert("CN=a", 0, "73000000000", &count)),
      KQ_ROW(4001u, lib.GetIDValue("73000000000", nullptr, &size)),
      KQ_ROW(4001u, lib.GetPubKeySignValue(nullptr, media, l, 6, nullptr, &length)),
      KQ_ROW(4001u, lib.GetPubKeySignValue(&callerData, media, l, 0, nullptr, &length)),
      KQ_ROW(0xFFFFFFFFu, lib.CreatePKCS10(nullptr, n(one), media, nullptr, &length)),
      KQ_ROW(0xFFFFFFFFu, lib.CreatePKCS10(one.c_str(), n(one), media, nullptr, nullptr)),
      KQ_ROW(1u, lib.CreatePKCS10("CN=a,T=S|RSA2048|SHA256|1", 25, media, nullptr, &length)),
      KQ_ROW(2u, lib.CreatePKCS10(four.c_str(), n(four), media, nullptr, &length)),
      KQ_ROW(0xFFFFFFFFu, lib.WritePKCS7(nullptr, "MIIB", 4)),
      KQ_ROW(1u, lib.WritePKCS7(media, "not base64!", 11)),
      KQ_ROW(1u, lib.WritePKCS7(media, "TWFu", 4)),  // base64, but not a certificate
      KQ_ROW(1001u,
             lib.GetSignature(nullptr, 4, "CN=a", 4, nullptr, 0, nullptr, &length, nullptr, &size)),
      KQ_ROW(1001u,
             lib.GetSignature(d, 4, "CN=a", 4, nullptr, 0, nullptr, &length, nullptr, nullptr)),
      KQ_ROW(2u, lib.FunctionList(nullptr)),
      KQ_ROW(2u, table.EnumDevices(nullptr, nullptr)),
      KQ_ROW(2u, table.GetDeviceIdentity(nullptr, nullptr, &size)),
      KQ_ROW(3u, table.WriteUserData(reader, media, d, 33)),
      KQ_ROW(2u, table.WriteUserData(reader, media, nullptr, 5)),
      KQ_ROW(2u, table.ReadUserData(reader, "73000000000", nullptr, &size)),
      KQ_ROW(2u, table.GetContainerNames(reader, nullptr, nullptr, &size)),
      KQ_ROW(2u, table.GetPinInfo(reader, media, &a, nullptr)),
      KQ_ROW(2u, table.CleanPinStatus(reader, "7300")),
      KQ_ROW(2u, table.SetDeviceLanguage(nullptr, media, 2052)),
      // No key: each export's own answer.
      KQ_ROW(0u, lib.CheckDevice(nullptr)),
      KQ_ROW(0u, lib.GetListNum(1)),
      KQ_ROW(101u, lib.GetMediaID(nullptr, &length, 1)),
      KQ_ROW(101u, lib.ChangePIN(nullptr, "12345678", "87654321")),
      KQ_ROW(101u, lib.InitCard(nullptr, 0)),
      KQ_ROW(101u, lib.GetIDValue(media, nullptr, &size)),
      KQ_ROW(101u, lib.GetPubKeySignValue(&callerData, media, l, 6, nullptr, &length)),
      KQ_ROW(101u, lib.GetDeviceSN("CN=a", nullptr, &size)),
      KQ_ROW(3001u,
             lib.GetSignature(d, 4, "CN=a", 4, nullptr, 0, nullptr, &length, nullptr, &size)),
      KQ_ROW(3u, lib.CreatePKCS10(one.c_str(), n(one), media, nullptr, &length)),
      KQ_ROW(1005u, lib.DeleteTempKeyOrCert("CN=a", 0, media, &count)),
  });
  EXPECT_EQ(count, 0u);
  length = 100;
  EXPECT_EQ(lib.GetAllCertDN(media, nullptr, &length), 0u);
  EXPECT_EQ(length, 0);
  for (const auto check : {lib.CheckDevice, lib.CheckWorkStatus}) {
    char message[32];
    std::memset(message, 'x', sizeof message);
    EXPECT_EQ(check(message), 0u);
    EXPECT_EQ(std::string(message), "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC9\xE8\xB1\xB8");
  }
  // The provider's name, and the function table's version with its alignment bytes left alone.
  char name[32];
  std::memset(name, 'x', sizeof name);
  length = 0;  // output only: the caller provides at least 19 bytes
  EXPECT_EQ(lib.CSPName(name, &length), 0u);
  EXPECT_EQ(length, 19);
  EXPECT_STREQ(name, "KQCSP For ORV v2.0");
  KqFunctionList fresh;
  std::memset(&fresh, 0xEE, sizeof fresh);
  ASSERT_EQ(lib.FunctionList(&fresh), 0u);
  EXPECT_EQ(fresh.majorVersion, 1);
  EXPECT_EQ(fresh.minorVersion, 0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&fresh);
  // The pointers' alignment: 6 bytes in 64-bit code, 2 in 32-bit code.
  const size_t pad = offsetof(KqFunctionList, EnumDevices) - 2;
  EXPECT_EQ(std::string(bytes + 2, bytes + 2 + pad), std::string(pad, '\xEE')) << "alignment";
}

// Media ids and readers that name no attached key, with keys of two families attached.
TEST_F(ToolRefusals, WrongMediaIdsAndReadersFindNoKey) {
  const std::string key = AddKey();
  const std::string other = AddKey({.family = "72"});
  const std::string prefix = scene.MediaId(key).substr(0, 11);  // attached, but 11 characters
  const std::string right = scene.MediaId(key);
  const std::string wrong = scene.MediaId(other);
  const char* unknown = "739999999999";
  const std::string first = scene.ReaderName(key);
  const char* r = first.c_str();
  const char* m = wrong.c_str();
  const uint8_t* d = data;
  uint8_t out[100];
  kqtest::ExpectCodes({
      KQ_ROW(1103u, lib.ChangePIN(unknown, "12345678", "87654321")),
      KQ_ROW(1103u, lib.InitCard(unknown, 0)),
      KQ_ROW(1103u, lib.InitCard(prefix.c_str(), 0)),
      KQ_ROW(1103u, lib.GetPubKeySignValue(&callerData, unknown, list, 6, out, &length)),
      // The function table refuses another key's media id, and a reader with no key.
      KQ_ROW(7u, table.ReadUserData(r, m, out, &size)),
      KQ_ROW(7u, table.WriteUserData(r, m, d, 1)),
      KQ_ROW(7u, table.GetContainerNames(r, m, nullptr, &size)),
      KQ_ROW(7u, table.GetContainerCertificates(r, m, "a", nullptr, &size, nullptr, &size)),
      KQ_ROW(7u, table.GetPinInfo(r, m, &a, &a)),
      KQ_ROW(7u, table.GetDeviceInfo(r, m, &va, &va)),
      KQ_ROW(7u, table.CleanPinStatus(r, m)),
      KQ_ROW(7u, table.SetDeviceLanguage(r, m, 2052)),
      KQ_ROW(5u, table.CleanPinStatus("ORV ZANTULDCCID 7", right.c_str())),
      KQ_ROW(5u, table.GetDeviceIdentity("ORV ZANTULDCCID 9", out, &size)),
  });
  ExpectAllClosed("the wrong media ids");
  EXPECT_EQ(scene.State(key).pin, "12345678");
}

}  // namespace
