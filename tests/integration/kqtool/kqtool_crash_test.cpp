// A program killed at any moment while it changes the key (kill -9: no clean-up runs) leaves a
// key that loads, hangs together and serves the next program, which does not wait for the dead
// one's lock.
#include <signal.h>

#include <chrono>
#include <random>
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
    {
      RunningProgram writer(request(tag));
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
      writer.Signal(SIGKILL);
      writer.Wait();
    }
    EXPECT_EQ(RunProgramToEnd({KqsimPath(), "show", keyName_}).exitStatus, 0) << "round " << tag;
    const ProgramRun check = RunProgramToEnd({KqsimPath(), "check", keyName_});
    EXPECT_EQ(check.exitStatus, 0) << "round " << tag << ": " << check.out << check.err;
    ASSERT_EQ(RunProgramToEnd({KqsimPath(), "reset", keyName_}).exitStatus, 0);
  }
  const ProgramRun last = RunProgramToEnd(request("Last"));
  EXPECT_EQ(last.exitStatus, 0) << last.out << last.err;
}

}  // namespace
}  // namespace kq::test
