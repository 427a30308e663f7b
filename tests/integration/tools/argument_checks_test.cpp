// Misuse of the tool exports that is refused before any key is touched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tool_library.h"

namespace {

using kqtest::ToolLibrary;

TEST(ToolArguments, ProviderName) {
  auto& lib = ToolLibrary::Get();
  int32_t length = 0;
  EXPECT_EQ(lib.CSPName(nullptr, &length), 0u);
  EXPECT_EQ(length, 19);
  char name[32];
  std::memset(name, 'x', sizeof name);
  length = 0;  // output only: the caller provides at least 19 bytes
  EXPECT_EQ(lib.CSPName(name, &length), 0u);
  EXPECT_EQ(length, 19);
  EXPECT_STREQ(name, "KQCSP For ORV v2.0");
  EXPECT_EQ(lib.CSPName(name, nullptr), 1104u);
  uint32_t size = 0;
  EXPECT_EQ(lib.GetDeviceSN(nullptr, nullptr, &size), 1104u);
  EXPECT_EQ(lib.GetDeviceSN("CN=a", nullptr, nullptr), 1104u);
  EXPECT_EQ(lib.GetCSPName(nullptr, nullptr, &size), 1104u);
}

TEST(ToolArguments, PinsAndMediaIds) {
  auto& lib = ToolLibrary::Get();
  EXPECT_EQ(lib.ChangePIN(nullptr, "123456", "12345678"), 4001u);
  EXPECT_EQ(lib.ChangePIN(nullptr, "12345678", "123456789"), 4001u);
  EXPECT_EQ(lib.ChangePIN(nullptr, nullptr, "12345678"), 4001u);
  EXPECT_EQ(lib.ChangePIN(nullptr, "12345678", nullptr), 4001u);
  int32_t length = 0;
  EXPECT_EQ(lib.GetMediaID(nullptr, nullptr, 1), 4001u);
  EXPECT_EQ(lib.GetAllCertDN("7300000001", nullptr, &length), 4001u);
  EXPECT_EQ(lib.GetAllCertDN(nullptr, nullptr, &length), 4001u);
  uint32_t count = 99;
  EXPECT_EQ(lib.DeleteTempKeyOrCert("CN=a", 0, "73000000000", &count), 4001u);
  uint32_t idLength = 0;
  EXPECT_EQ(lib.GetIDValue("73000000000", nullptr, &idLength), 4001u);
  EXPECT_EQ(lib.GetIDValue("730000000001", nullptr, nullptr), 4001u);
  const uint8_t list[8] = {};
  int32_t outLength = 0;
  const int callerData = 0;
  EXPECT_EQ(lib.GetPubKeySignValue(nullptr, "730000000001", list, 8, nullptr, &outLength), 4001u);
  EXPECT_EQ(lib.GetPubKeySignValue(&callerData, "7300000000", list, 8, nullptr, &outLength), 4001u);
  EXPECT_EQ(lib.GetPubKeySignValue(&callerData, "730000000001", nullptr, 8, nullptr, &outLength),
            4001u);
  EXPECT_EQ(lib.GetPubKeySignValue(&callerData, "730000000001", list, 0, nullptr, &outLength),
            4001u);
  EXPECT_EQ(lib.GetPubKeySignValue(&callerData, "730000000001", list, 8, nullptr, nullptr), 4001u);
}

TEST(ToolArguments, RequestAndCertificateTexts) {
  auto& lib = ToolLibrary::Get();
  int32_t length = 0;
  const std::string one = "CN=a,T=S|RSA2048|SHA256|2";
  const auto size = static_cast<int32_t>(one.size());
  EXPECT_EQ(lib.CreatePKCS10(nullptr, size, "730000000001", nullptr, &length), 0xFFFFFFFFu);
  EXPECT_EQ(lib.CreatePKCS10(one.c_str(), 0, "730000000001", nullptr, &length), 0xFFFFFFFFu);
  EXPECT_EQ(lib.CreatePKCS10(one.c_str(), size, nullptr, nullptr, &length), 0xFFFFFFFFu);
  EXPECT_EQ(lib.CreatePKCS10(one.c_str(), size, "730000000001", nullptr, nullptr), 0xFFFFFFFFu);
  // Text rules are checked before the key is looked for.
  const std::string usage1 = "CN=a,T=S|RSA2048|SHA256|1";
  EXPECT_EQ(lib.CreatePKCS10(usage1.c_str(), static_cast<int32_t>(usage1.size()), "730000000001",
                             nullptr, &length),
            1u);
  const std::string sm2 = "CN=a|SM2|SHA256|1";
  EXPECT_EQ(lib.CreatePKCS10(sm2.c_str(), static_cast<int32_t>(sm2.size()), "730000000001", nullptr,
                             &length),
            1u);
  const std::string four = one + "||" + one + "||" + one + "||" + one;
  EXPECT_EQ(lib.CreatePKCS10(four.c_str(), static_cast<int32_t>(four.size()), "730000000001",
                             nullptr, &length),
            2u);
  const std::string none = "   ";
  EXPECT_EQ(lib.CreatePKCS10(none.c_str(), 3, "730000000001", nullptr, &length), 2u);

  EXPECT_EQ(lib.WritePKCS7(nullptr, "MIIB", 4), 0xFFFFFFFFu);
  EXPECT_EQ(lib.WritePKCS7("730000000001", nullptr, 4), 0xFFFFFFFFu);
  EXPECT_EQ(lib.WritePKCS7("730000000001", "MIIB", 0), 0xFFFFFFFFu);
  EXPECT_EQ(lib.WritePKCS7("730000000001", "not base64!", 11), 1u);
  EXPECT_EQ(lib.WritePKCS7("730000000001", "TWFu", 4), 1u);  // base64, but not a certificate

  const uint8_t data[4] = {1, 2, 3, 4};
  int32_t signatureLength = 0;
  uint32_t certificateLength = 0;
  EXPECT_EQ(lib.GetSignature(nullptr, 4, "CN=a", 4, nullptr, 0, nullptr, &signatureLength, nullptr,
                             &certificateLength),
            1001u);
  EXPECT_EQ(lib.GetSignature(data, 4, nullptr, 4, nullptr, 0, nullptr, &signatureLength, nullptr,
                             &certificateLength),
            1001u);
  EXPECT_EQ(lib.GetSignature(data, 4, "CN=a", 4, nullptr, 0, nullptr, nullptr, nullptr,
                             &certificateLength),
            1001u);
  EXPECT_EQ(
      lib.GetSignature(data, 4, "CN=a", 4, nullptr, 0, nullptr, &signatureLength, nullptr, nullptr),
      1001u);
}

TEST(ToolArguments, FunctionTableArguments) {
  auto& lib = ToolLibrary::Get();
  EXPECT_EQ(lib.FunctionList(nullptr), 2u);
  KqFunctionList table;
  std::memset(&table, 0xEE, sizeof table);
  ASSERT_EQ(lib.FunctionList(&table), 0u);
  EXPECT_EQ(table.majorVersion, 1);
  EXPECT_EQ(table.minorVersion, 0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&table);
  for (size_t i = 2; i < 8; ++i) {
    EXPECT_EQ(bytes[i], 0xEE) << "alignment byte " << i << " was written";
  }
  ASSERT_NE(table.EnumDevices, nullptr);
  EXPECT_EQ(table.EnumDevices(nullptr, nullptr), 2u);
  uint32_t length = 0;
  EXPECT_EQ(table.GetDeviceIdentity(nullptr, nullptr, &length), 2u);
  EXPECT_EQ(table.GetDeviceIdentity("ORV ZANTULDCCID 0", nullptr, nullptr), 2u);
  const uint8_t data[33] = {};
  EXPECT_EQ(table.WriteUserData("ORV ZANTULDCCID 0", "730000000001", data, 33), 3u);
  EXPECT_EQ(table.WriteUserData("ORV ZANTULDCCID 0", "730000000001", nullptr, 5), 2u);
  EXPECT_EQ(table.WriteUserData("ORV ZANTULDCCID 0", "730000000001", data, 0), 2u);
  EXPECT_EQ(table.ReadUserData("ORV ZANTULDCCID 0", "73000000000", nullptr, &length), 2u);
  EXPECT_EQ(table.ReadUserData(nullptr, "730000000001", nullptr, &length), 2u);
  EXPECT_EQ(table.GetContainerNames("ORV ZANTULDCCID 0", nullptr, nullptr, &length), 2u);
  EXPECT_EQ(table.GetContainerCertificates("ORV ZANTULDCCID 0", "730000000001", nullptr, nullptr,
                                           &length, nullptr, &length),
            2u);
  uint8_t a = 0;
  EXPECT_EQ(table.GetPinInfo("ORV ZANTULDCCID 0", "730000000001", &a, nullptr), 2u);
  uint32_t va = 0;
  EXPECT_EQ(table.GetDeviceInfo("ORV ZANTULDCCID 0", "730000000001", nullptr, &va), 2u);
  EXPECT_EQ(table.CleanPinStatus("ORV ZANTULDCCID 0", "7300"), 2u);
  EXPECT_EQ(table.SetDeviceLanguage(nullptr, "730000000001", 2052), 2u);
}

}  // namespace
