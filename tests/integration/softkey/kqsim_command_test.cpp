// The kqsim command as sim/README.md documents it, and the fault plans tests set with it.

#include <gtest/gtest.h>

#include <string>

#include "common/codes_device.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"

namespace kq::test {
namespace {

TEST(KqsimCommand, CreatesListsShowsAndRefusesBadInput) {
  SoftKeyScene scene;
  CommandResult made = scene.RunKqsim(
      {"create", "--name", "bank", "--serial", "720000000042", "--label", "teller", "--pin",
       "87654321", "--button", "manual", "--key", "2:1:" + SoftKeyFixturePath("sm2-a").string()});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.out, "bank\n");
  EXPECT_EQ(scene.RunKqsim({"create"}).out, "key00\n");
  EXPECT_EQ(scene.RunKqsim({"list"}).out,
            "0\tORV ZANTULDCCID 0\tbank\t720000000042SN01\tteller\n"
            "1\tORV ZANTULDCCID 1\tkey00\t730000000002SN01\tkqsim soft key\n");
  const CommandResult shown = scene.RunKqsim({"show", "ORV ZANTULDCCID 0"});
  EXPECT_NE(shown.out.find("slot 2      sm2, usage option 1 (device usage 2)"), std::string::npos)
      << shown.out;

  const std::pair<std::vector<std::string>, int> refused[] = {
      {{"create", "--pin", "1234"}, 1},
      {{"create", "--key", "1:0:/no.pem"}, 1},
      {{"show", "key07"}, 1},
      {{"fault", "add", "ReadFile:0:1"}, 2},
      {{"frobnicate"}, 2},
  };
  for (const auto& [arguments, exitCode] : refused) {
    EXPECT_EQ(scene.RunKqsim(arguments).exitCode, exitCode) << arguments.back();
  }
}

TEST(KqsimCommand, FaultPlansFailTheNthCallAndAreCounted) {
  const SoftKeyLibrary& zant = SoftKeyLibrary::Instance();
  SoftKeyScene scene;
  const std::string name = scene.AddKey();
  ASSERT_EQ(scene.RunKqsim({"fault", "add", "ReadFile:2:0x6581,ZANT_CloseDev:1+:0x6F00"}).exitCode,
            0);
  SoftKeyHandle key(scene.ReaderName(name));
  uint8_t buffer[400];
  uint32_t count = 0;
  const auto read = [&] { return zant.ReadFile(key.get(), 0xD001, 0, 400, buffer, &count, 0); };
  EXPECT_EQ(read(), dev::kOk);
  EXPECT_EQ(read(), dev::kSwMemoryFailure);
  EXPECT_EQ(read(), dev::kOk);
  EXPECT_EQ(scene.RunKqsim({"fault", "list"}).out, "ZANT_CloseDev:1+:0x6F00\n")
      << "a fired entry is gone";
  EXPECT_EQ(scene.Calls(name, "ZANT_ReadFile"), 3) << "the failed call is counted too";
  EXPECT_EQ(key.Close(), dev::kSwUnknown);
  EXPECT_EQ(scene.OpenHandles(name), 0) << "a faulted close still closes";

  // The process's own plan (KQSIM_FAULTS) counts afresh whenever it changes.
  scene.SetProcessFaults("OpenDev:1:0x6A86");
  EXPECT_EQ(SoftKeyHandle(scene.ReaderName(name)).openStatus(), dev::kSwIncorrectP1P2);
  scene.SetProcessFaults("OpenDev:2:0x6A87");
  EXPECT_EQ(SoftKeyHandle(scene.ReaderName(name)).openStatus(), dev::kOk);
  EXPECT_EQ(SoftKeyHandle(scene.ReaderName(name)).openStatus(), 0x6A87u);
}

}  // namespace
}  // namespace kq::test
