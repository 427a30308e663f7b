// Fault plans and counters. (Two processes on one key: integration/kqtool.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

const SoftKeyLibrary& Zant() {
  return SoftKeyLibrary::Instance();
}

TEST(SoftKeyRobustness, CountersShowCallsAndOpenHandles) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  {
    SoftKeyHandle a(scene.ReaderName(name));
    SoftKeyHandle b(scene.ReaderName(name));
    EXPECT_EQ(scene.OpenHandles(name), 2);
    uint8_t serial[16];
    uint32_t length = sizeof serial;
    EXPECT_EQ(Zant().GetDevSer(a.get(), serial, &length, 0), dev::kOk);
    EXPECT_EQ(Zant().GetDevSer(b.get(), serial, &length, 0), dev::kOk);
  }
  EXPECT_EQ(scene.OpenHandles(name), 0);
  EXPECT_EQ(scene.Calls(name, "ZANT_OpenDev"), 2);
  EXPECT_EQ(scene.Calls(name, "ZANT_GetDevSer"), 2);
  EXPECT_EQ(scene.Calls(name, "ZANT_CloseDev"), 2);
  uint32_t count = 0;
  EXPECT_EQ(Zant().GetDevNum(&count), dev::kOk);
  EXPECT_EQ(scene.RootCounters().at("ZANT_GetDevNum"), 1);
  scene.ClearCounters(name);
  EXPECT_EQ(scene.Calls(name, "ZANT_OpenDev"), 0);

  const CommandResult shown = scene.RunKqsim({"counters", name});
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_EQ(shown.out, "");
}

TEST(SoftKeyRobustness, FaultPlansFailTheNthCall) {
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  const CommandResult added = scene.RunKqsim({"fault", "add", "ReadFile:2:0x6581"});
  ASSERT_EQ(added.exitCode, 0) << added.err;
  SoftKeyHandle key(scene.ReaderName(name));
  uint8_t buffer[400];
  uint32_t count = 0;
  EXPECT_EQ(Zant().ReadFile(key.get(), 0xD001, 0, 400, buffer, &count, 0), dev::kOk);
  EXPECT_EQ(Zant().ReadFile(key.get(), 0xD001, 0, 400, buffer, &count, 0), dev::kSwMemoryFailure);
  EXPECT_EQ(Zant().ReadFile(key.get(), 0xD001, 0, 400, buffer, &count, 0), dev::kOk);
  EXPECT_EQ(scene.RunKqsim({"fault", "list"}).out, "") << "a fired entry is gone";
  EXPECT_EQ(scene.Calls(name, "ZANT_ReadFile"), 3) << "the failed call is counted too";

  // "n+" fails that call and every later one; a faulted close still closes.
  ASSERT_EQ(scene.RunKqsim({"fault", "add", "ZANT_CloseDev:1+:0x6F00,OpenDev:2:0x6A82"}).exitCode,
            0);
  ZANT_HANDLE first = nullptr;
  ZANT_HANDLE second = nullptr;
  ASSERT_EQ(Zant().OpenDev(&first, scene.ReaderName(name).c_str(), 0), dev::kOk);
  EXPECT_EQ(Zant().OpenDev(&second, scene.ReaderName(name).c_str(), 0), dev::kSwFileNotFound);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(Zant().CloseDev(first, 0), dev::kSwUnknown);
  EXPECT_EQ(Zant().CloseDev(first, 0), dev::kSwInvalidHandle);
  EXPECT_EQ(key.Close(), dev::kSwUnknown);
  EXPECT_EQ(scene.OpenHandles(name), 0);
  EXPECT_EQ(scene.RunKqsim({"fault", "clear"}).exitCode, 0);

  // The process's own plan (KQSIM_FAULTS) counts afresh whenever it changes.
  SoftKeyHandle again(scene.ReaderName(name));
  uint8_t serial[16];
  uint32_t length = sizeof serial;
  scene.SetProcessFaults("GetDevSer:1:0x6A86");
  EXPECT_EQ(Zant().GetDevSer(again.get(), serial, &length, 0), dev::kSwIncorrectP1P2);
  EXPECT_EQ(Zant().GetDevSer(again.get(), serial, &length, 0), dev::kOk);
  scene.SetProcessFaults("ZANT_GetDevSer:2:0x6A87");
  EXPECT_EQ(Zant().GetDevSer(again.get(), serial, &length, 0), dev::kOk);
  EXPECT_EQ(Zant().GetDevSer(again.get(), serial, &length, 0), 0x6A87u);
  scene.SetProcessFaults("");
}

}  // namespace
}  // namespace kq::test
