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
// calls apart). Every open of a key that a caller chose asks the key who it is (one call), so that
// a key swapped behind its reader name is never used.
const std::map<BudgetedOperation, int64_t> kBudgets = {
    {BudgetedOperation::kCspSignOnce, 38},        {BudgetedOperation::kCspSignTwice, 58},
    {BudgetedOperation::kCspNewKeysetGenKey, 41}, {BudgetedOperation::kCspEnumContainers, 9},
    {BudgetedOperation::kCreatePkcs10, 37},       {BudgetedOperation::kWritePkcs7, 24},
    {BudgetedOperation::kGetAllCertDn, 13},       {BudgetedOperation::kSignTransaction, 33},
    {BudgetedOperation::kSignSm2Plain, 21},       {BudgetedOperation::kPkcs11List, 24},
    {BudgetedOperation::kPkcs11Sign, 33},
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
