// Three processes enrolling on one key at once, as the bank's programs may: what each adds is
// there afterwards, a usage is never given twice, and the key hangs together.
#include <future>
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
    std::vector<std::future<CommandResult>> runs;
    for (const std::string& record : records) {
      runs.push_back(std::async(
          std::launch::async, RunKqtool,
          std::vector<std::string>{"request", "--media-id", mediaId_, "--record", record}));
    }
    std::vector<bool> done;
    for (auto& run : runs) {
      done.push_back(run.get().exitCode == 0);
    }
    const std::string store = scene_.RunKqsim({"store", key_}).out;
    for (size_t i = 0; i < records.size(); ++i) {
      const std::string subject = "\"" + records[i].substr(0, records[i].find_first_of(",|"));
      EXPECT_EQ(store.find(subject) != std::string::npos, done[i]) << store;
    }
    EXPECT_TRUE(done[1]);
    EXPECT_NE(done[0], done[2]) << "usage 1 went to both or neither";
    const CommandResult check = scene_.RunKqsim({"check", key_});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(scene_.OpenHandles(key_), 0);
    ASSERT_EQ(scene_.RunKqsim({"reset", key_}).exitCode, 0);
  }
}

}  // namespace
}  // namespace kq::test
