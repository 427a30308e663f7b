// Every operation of the key failing in turn: whatever an export answers then, it leaves no
// handle open on any key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_scene.h"

namespace {

using kqtest::ToolTest;

class FailurePaths : public ToolTest {
 protected:
  void SetUp() override {
    key = AddKey({.keyPairs = {{1, 0, "rsa2048-a"}, {2, 1, "rsa1024-a"}}});
    AddKey({.family = "72"});
    mediaId = scene.MediaId(key);
    reader = scene.ReaderName(key);
    scene.SetPinAnswers("12345678");
    ASSERT_EQ(lib.FunctionList(&table), 0u);
  }

  // Calls the exports that touch the keys, once each.
  void CallEverything() {
    char text[2048];
    int32_t length = sizeof text;
    uint32_t size = sizeof text;
    uint8_t bytes[2048];
    lib.CheckDevice(text);
    lib.GetListNum(1);
    lib.GetMediaID(text, &length, 1);
    length = sizeof text;
    lib.GetDeviceSN("CN=a", text, &size);
    lib.GetCSPName("CN=a", text, &size);
    lib.ChangePIN(mediaId.c_str(), "12345678", "12345678");
    lib.InitCard(mediaId.c_str(), 0);
    size = sizeof bytes;
    lib.GetIDValue(mediaId.c_str(), bytes, &size);
    lib.GetAllCertDN(mediaId.c_str(), text, &length);
    uint32_t count = 0;
    lib.DeleteTempKeyOrCert("CN=a", 0, mediaId.c_str(), &count);
    const uint8_t list[] = {0, 1, 0xAB, 0, 1, 3};
    const int callerData = 0;
    length = sizeof bytes;
    lib.GetPubKeySignValue(&callerData, mediaId.c_str(), list, sizeof list, bytes, &length);
    size = sizeof bytes;
    table.GetDeviceIdentity(reader.c_str(), bytes, &size);
    size = sizeof bytes;
    table.ReadUserData(reader.c_str(), mediaId.c_str(), bytes, &size);
    table.WriteUserData(reader.c_str(), mediaId.c_str(), bytes, 4);
    size = sizeof text;
    table.GetContainerNames(reader.c_str(), mediaId.c_str(), text, &size);
    uint8_t a = 0;
    uint8_t b = 0;
    table.GetPinInfo(reader.c_str(), mediaId.c_str(), &a, &b);
    uint32_t va = 0;
    uint32_t vb = 0;
    table.GetDeviceInfo(reader.c_str(), mediaId.c_str(), &va, &vb);
    table.CleanPinStatus(reader.c_str(), mediaId.c_str());
    table.SetDeviceLanguage(reader.c_str(), mediaId.c_str(), 2052);
  }

  KqFunctionList table{};
  std::string key, mediaId, reader;
};

TEST_F(FailurePaths, EveryOperationFailingLeavesNoHandleOpen) {
  for (const char* operation :
       {"GetDevSer", "ReadFile", "GetFileLen", "WriteFile", "GetPINInfo", "GetDevInfo",
        "ReadBirCert", "ChangePIN", "InitDev", "GetData", "GetDevState", "ReadRSAPub",
        "GetPubSigVal", "GetKeyInfo", "SetLanguage", "CleanPinStatus"}) {
    scene.SetProcessFaults(std::string(operation) + ":1+:0x6F00");
    CallEverything();
    ExpectAllClosed(operation);
    scene.SetProcessFaults("");
  }
  // And once more with the button answered every way.
  for (const char* policy : {"cancel:1", "timeout:2", "fail:1"}) {
    scene.SetButton(key, policy);
    CallEverything();
    ExpectAllClosed(policy);
  }
}

}  // namespace
