// A program killed at any moment while it changes the key (kill -9: no clean-up runs) leaves a
// key that loads, hangs together and serves the next program, which does not wait for the dead
// one's lock. The key has no transactions: a kill between creating an object file and naming it
// in its index leaves a file that nothing names. That costs the file's room and nothing else, so
// it is the one finding of the checker accepted here.
#include <signal.h>

#include <chrono>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

TEST_F(KqtoolWithKey, KilledWhileEnrollingLeavesASoundKey) {
  std::mt19937 random(20261206);  // fixed, so a failing moment can be replayed
  std::uniform_int_distribution<int> moment(0, 120);
  const auto request = [&](const std::string& tag) {
    return std::vector<std::string>{KqtoolPath(), "request",
                                    "--media-id", mediaId_,
                                    "--record",   "CN=A" + tag + "|RSA1024|SHA256|1",
                                    "--record",   "CN=B" + tag + ",T=S|RSA1024|SHA256|2"};
  };
  for (int round = 0; round < 25; ++round) {
    const std::string tag = std::to_string(round);
    ASSERT_EQ(RunCommand({KqsimPath(), "reset", keyName_}).exitCode, 0);
    {
      RunningProgram writer(request(tag));
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
      writer.Signal(SIGKILL);
      writer.Wait();
    }
    EXPECT_EQ(RunCommand({KqsimPath(), "show", keyName_}).exitCode, 0) << "round " << tag;
    const ProgramRun check = RunCommand({KqsimPath(), "check", keyName_});
    std::istringstream problems(check.out);
    for (std::string line; std::getline(problems, line);) {
      EXPECT_TRUE(line == "consistent" || line.ends_with("is named by nothing") ||
                  line.ends_with(" problems"))
          << "round " << tag << ": " << line;
    }
    EXPECT_TRUE(check.err.empty()) << check.err;
  }
  // The key as the last kill left it takes a new key pair of the usage nobody asked for.
  const ProgramRun last = RunCommand({KqtoolPath(), "request", "--media-id", mediaId_, "--record",
                                      "CN=Last,T=Ex|RSA1024|SHA256|3"});
  EXPECT_EQ(last.exitCode, 0) << last.out << last.err;
}

}  // namespace
}  // namespace kq::test
