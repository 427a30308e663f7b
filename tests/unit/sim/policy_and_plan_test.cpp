// Button policies and fault plans: how they are written and how they count.

#include <gtest/gtest.h>

#include "common/button_policy.h"
#include "common/fault_plan.h"

namespace kq::sim {
namespace {

TEST(ButtonPolicy, ParsesStepsAndRefusesOthers) {
  const auto steps = ParseButtonPolicy("ok, cancel:3,timeout,fail:0,manual:20,none");
  ASSERT_TRUE(steps);
  ASSERT_EQ(steps->size(), 6u);
  EXPECT_EQ((*steps)[1].action, ButtonAction::kCancel);
  EXPECT_EQ((*steps)[1].polls, 3u);
  EXPECT_FALSE((*steps)[2].polls.has_value());
  EXPECT_EQ(FormatButtonPolicy(*steps), "ok,cancel:3,timeout,fail:0,manual:20,none");
  EXPECT_FALSE(ParseButtonPolicy(""));
  EXPECT_FALSE(ParseButtonPolicy("press"));
  EXPECT_FALSE(ParseButtonPolicy("ok:x"));
  EXPECT_FALSE(ParseButtonPolicy("none:1"));
  EXPECT_FALSE(ParseButtonPolicy("ok:70000"));
}

TEST(ButtonPolicy, EachWaitTakesOneStepAndTheLastRepeats) {
  std::optional<TakenStep> taken = TakeButtonStep("cancel:1,ok");
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->step.action, ButtonAction::kCancel);
  EXPECT_EQ(taken->remaining, "ok");
  taken = TakeButtonStep(taken->remaining);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->step.action, ButtonAction::kOk);
  EXPECT_EQ(taken->remaining, "ok");
  EXPECT_FALSE(TakeButtonStep("sometimes"));
  EXPECT_EQ(ParseButtonPress(" ok\n"), ButtonPress::kOk);
  EXPECT_EQ(ParseButtonPress("C"), ButtonPress::kCancel);
  EXPECT_FALSE(ParseButtonPress("maybe"));
}

TEST(FaultPlan, ParsesEntriesWithOrWithoutPrefix) {
  const auto plan = ParseFaultPlan("ReadFile:2:0x6A82, ZANT_OpenDev:1+:27268\n");
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->size(), 2u);
  EXPECT_EQ((*plan)[0].operation, "ZANT_ReadFile");
  EXPECT_EQ((*plan)[0].nth, 2u);
  EXPECT_FALSE((*plan)[0].repeat);
  EXPECT_EQ((*plan)[1].status, 27268u);
  EXPECT_TRUE((*plan)[1].repeat);
  EXPECT_EQ(ParseFaultPlan(FormatFaultPlan(*plan))->size(), 2u);
  EXPECT_FALSE(ParseFaultPlan("ReadFile:0:1"));
  EXPECT_FALSE(ParseFaultPlan("ReadFile:1"));
  EXPECT_FALSE(ParseFaultPlan("ZANT_:1:1"));
  EXPECT_FALSE(ParseFaultPlan("ReadFile:1:x"));
  EXPECT_TRUE(ParseFaultPlan("")->empty());
}

TEST(FaultPlan, CountsCallsOfItsOperationOnly) {
  std::vector<FaultEntry> plan = *ParseFaultPlan("ReadFile:3:0x6F00,WriteFile:1+:0x6581");
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile"));
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_GetFileLen"));
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile"));
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_ReadFile"), 0x6F00u);
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_ReadFile")) << "a plain entry fires once";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_WriteFile"), 0x6581u) << "n+ keeps firing";
  }
  ASSERT_EQ(plan.size(), 1u);
}

TEST(FaultPlan, TwoEntriesForOneOperationCountTogether) {
  std::vector<FaultEntry> plan = *ParseFaultPlan("OpenDev:1:0x6A82,OpenDev:2:0x6F00");
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_OpenDev"), 0x6A82u);
  EXPECT_EQ(CountCallAgainstPlan(plan, "ZANT_OpenDev"), 0x6F00u);
  EXPECT_FALSE(CountCallAgainstPlan(plan, "ZANT_OpenDev"));
}

}  // namespace
}  // namespace kq::sim
