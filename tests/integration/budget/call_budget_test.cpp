// Round trips to the key: on a real key every device call is a USB exchange of several
// milliseconds, so each operation below has a budget of calls, counted by the soft key. A count
// above it is a regression, such as a file read twice or a length asked before every read.

#include <gtest/gtest.h>

#include <map>
#include <ostream>

#include "support/device_call_workload.h"

namespace kq::test {

void PrintTo(const BudgetedOperationInfo& info, std::ostream* out) {
  *out << info.name;
}

namespace {

// The most device calls each operation's provider code may make (the PIN-entry library's own
// calls apart).
const std::map<BudgetedOperation, int64_t> kBudgets = {
    {BudgetedOperation::kCspSignOnce, 33},        {BudgetedOperation::kCspSignTwice, 51},
    {BudgetedOperation::kCspNewKeysetGenKey, 38}, {BudgetedOperation::kCspEnumContainers, 8},
    {BudgetedOperation::kCreatePkcs10, 36},       {BudgetedOperation::kWritePkcs7, 24},
    {BudgetedOperation::kGetAllCertDn, 13},       {BudgetedOperation::kSignTransaction, 31},
    {BudgetedOperation::kSignSm2Plain, 19},       {BudgetedOperation::kPkcs11List, 18},
    {BudgetedOperation::kPkcs11Sign, 25},
};

class CallBudget : public ::testing::TestWithParam<BudgetedOperationInfo> {};

TEST_P(CallBudget, StaysWithinItsDeviceCalls) {
  const BudgetedOperationInfo& info = GetParam();
  SoftKeyScene scene;
  const OperationRun run = RunBudgetedOperation(info.operation, scene);
  ASSERT_TRUE(run.ran) << info.description << ": " << run.problem;
  EXPECT_LE(run.providerCalls(), kBudgets.at(info.operation)) << info.description;
  EXPECT_EQ(run.handlesLeftOpen, 0) << info.description << " left a handle open";
}

INSTANTIATE_TEST_SUITE_P(Operations, CallBudget, ::testing::ValuesIn(BudgetedOperations()),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kq::test
