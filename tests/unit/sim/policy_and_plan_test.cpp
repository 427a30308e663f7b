// Button policies and fault plans: how they are written and how they count.

#include <gtest/gtest.h>

#include "softkey/button_policy.h"
#include "softkey/fault_plan.h"

namespace kq::sim {
namespace {

TEST(ButtonPolicy, ParsesStepsTakesOneAWaitAndRefusesOthers) {
  const auto steps = ParseButtonPolicy("ok, cancel:3,timeout,fail:0,manual:20,none");
  ASSERT_TRUE(steps);
  ASSERT_EQ(steps->size(), 6u);
  EXPECT_EQ((*steps)[1].action, ButtonAction::kCancel);
  EXPECT_EQ((*steps)[1].polls, 3u);
  EXPECT_FALSE((*steps)[2].polls.has_value());
  EXPECT_EQ(FormatButtonPolicy(*steps), "ok,cancel:3,timeout,fail:0,manual:20,none");
  for (const char* bad : {"", "press", "ok:x", "none:1", "ok:70000"}) {
    EXPECT_FALSE(ParseButtonPolicy(bad)) << bad;
  }
  std::optional<TakenStep> taken = TakeButtonStep("cancel:1,ok");
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->step.action, ButtonAction::kCancel);
  taken = TakeButtonStep(taken->remaining);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->step.action, ButtonAction::kOk);
  EXPECT_EQ(taken->remaining, "ok");  // the last step repeats
  EXPECT_FALSE(TakeButtonStep("sometimes"));
  EXPECT_EQ(ParseButtonPress(" ok\n"), ButtonPress::kOk);
  EXPECT_EQ(ParseButtonPress("C"), ButtonPress::kCancel);
  EXPECT_FALSE(ParseButtonPress("maybe"));
}

TEST(FaultPlan, ParsesEntriesAndCountsCallsOfItsOperationOnly) {
  for (const char* bad : {"ReadFile:0:1", "ReadFile:1", "ZANT_:1:1", "ReadFile:1:x"}) {
    EXPECT_FALSE(ParseFaultPlan(bad)) << bad;
  }
  EXPECT_TRUE(ParseFaultPlan("")->empty());
  const auto written = ParseFaultPlan("ReadFile:3:0x6F00, ZANT_WriteFile:1+:25985\n");
  ASSERT_TRUE(written);
  std::vector<FaultEntry> plan = *ParseFaultPlan(FormatFaultPlan(*written));
  EXPECT_EQ(plan[0].operation, "ZANT_ReadFile");
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile"));
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_GetFileLen"));
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile"));
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_ReadFile"), 0x6F00u);
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile")) << "a plain entry fires once";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_WriteFile"), 0x6581u) << "n+ keeps firing";
  }
  // Two entries for one operation count together.
  plan = *ParseFaultPlan("OpenDev:1:0x6A82,OpenDev:2:0x6F00");
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_OpenDev"), 0x6A82u);
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_OpenDev"), 0x6F00u);
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_OpenDev"));
}

}  // namespace
}  // namespace kq::sim
