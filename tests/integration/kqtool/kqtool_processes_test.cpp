// Three processes enrolling on one key at once, as the bank's programs may: what each adds is
// there afterwards, a usage is never given twice, and the key hangs together.
#include <string>
#include <vector>

#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

TEST_F(KqtoolWithKey, ProcessesEnrollingAtOnceLoseNothing) {
  for (const std::string tag : {"0", "1", "2", "3"}) {
    // First and Second take a usage each; Third wants First's, so exactly one of them gets it.
    const std::vector<std::string> records = {"CN=First" + tag + "|RSA1024|SHA256|1",
                                              "CN=Second" + tag + ",T=S|RSA1024|SHA256|2",
                                              "CN=Third" + tag + "|RSA1024|SHA256|1"};
    std::vector<std::unique_ptr<RunningProgram>> programs;
    for (const std::string& record : records) {
      programs.push_back(std::make_unique<RunningProgram>(std::vector<std::string>{
          KqtoolPath(), "request", "--media-id", mediaId_, "--record", record}));
    }
    std::vector<bool> done;
    for (const auto& program : programs) {
      done.push_back(program->Wait().exitCode == 0);
    }
    const std::string store = RunCommand({KqsimPath(), "store", keyName_}).out;
    for (size_t i = 0; i < records.size(); ++i) {
      const std::string subject = "\"" + records[i].substr(0, records[i].find_first_of(",|"));
      EXPECT_EQ(store.find(subject) != std::string::npos, done[i]) << store;
    }
    EXPECT_TRUE(done[1]);
    EXPECT_NE(done[0], done[2]) << "usage 1 went to both or neither";
    const ProgramRun check = RunCommand({KqsimPath(), "check", keyName_});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(OpenHandles(), 0);
    ASSERT_EQ(RunCommand({KqsimPath(), "reset", keyName_}).exitCode, 0);
  }
}

}  // namespace
}  // namespace kq::test
