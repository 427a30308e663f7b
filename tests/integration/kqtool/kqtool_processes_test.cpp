// Two processes using one key at the same time, as two of the bank's programs would: what each
// adds to the key is there afterwards, a usage is never given twice, and the key hangs together.
#include <string>
#include <vector>

#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

TEST_F(KqtoolWithKey, TwoProcessesEnrollingAtOnceLoseNothing) {
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds; ++round) {
    // First and Second each take a usage of their own; Third wants First's, so exactly one of
    // First and Third gets it.
    const std::string tag = std::to_string(round);
    const std::vector<std::string> records = {"CN=First" + tag + "|RSA1024|SHA256|1",
                                              "CN=Second" + tag + ",T=S|RSA1024|SHA256|2",
                                              "CN=Third" + tag + "|RSA1024|SHA256|1"};
    std::vector<std::unique_ptr<RunningProgram>> programs;
    for (const std::string& record : records) {
      programs.push_back(std::make_unique<RunningProgram>(std::vector<std::string>{
          KqtoolPath(), "request", "--media-id", mediaId_, "--record", record}));
    }
    std::vector<int> statuses;
    for (const auto& program : programs) {
      statuses.push_back(program->Wait().exitCode);
    }
    const ProgramRun store = RunCommand({KqsimPath(), "store", keyName_});
    const auto holds = [&](const std::string& name) {
      return store.out.find("\"CN=" + name + tag) != std::string::npos;
    };
    EXPECT_EQ(statuses[1], 0);
    EXPECT_TRUE(holds("Second")) << store.out;
    EXPECT_EQ(holds("First"), statuses[0] == 0) << store.out;
    EXPECT_EQ(holds("Third"), statuses[2] == 0) << store.out;
    EXPECT_NE(statuses[0] == 0, statuses[2] == 0) << "usage 1 went to both or neither";
    const ProgramRun check = RunCommand({KqsimPath(), "check", keyName_});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(OpenHandles(), 0);
    ASSERT_EQ(RunCommand({KqsimPath(), "reset", keyName_}).exitCode, 0);
  }
}

}  // namespace
}  // namespace kq::test
