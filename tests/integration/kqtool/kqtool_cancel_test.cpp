// A key that waits for its button: Ctrl-C in kqtool, or `kqtool cancel-waits` from another
// process, ends the wait as cancelled, and the operation closes the key on its way out.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "json_reader.h"
#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

class KqtoolWaitingKey : public KqtoolWithKey {
 protected:
  // The key waits for `kqsim press` (which nobody gives) for up to a minute.
  void SetUp() override { MakeKey("manual:600"); }

  // Waits until the UI log shows an open wait; false after ten seconds.
  bool WaitForWait() const {
    for (int i = 0; i < 200; ++i) {
      if (UiLog().find("WAIT 3 ") != std::string::npos) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  void ExpectCancelledAndClosed(const ProgramRun& run, const std::string& waitDirectory) {
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const Json json = ParseJson(run.out);
    const Json& call = json["calls"].at(0);
    EXPECT_EQ(call["function"].get<std::string>(), "KQ_InitCard");
    EXPECT_EQ(call["status"]["hex"].get<std::string>(), "0x8010006E");
    EXPECT_EQ(call["status"]["name"].get<std::string>(), "SCARD_W_CANCELLED_BY_USER");
    EXPECT_NE(UiLog().find("WAITEND 3 2"), std::string::npos) << UiLog();
    EXPECT_EQ(OpenHandles(), 0);
    // The wait's socket went with the wait.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(waitDirectory, ignored)) {
      ADD_FAILURE() << "left behind: " << entry.path();
    }
  }
};

TEST_F(KqtoolWaitingKey, CtrlCEndsTheWaitAsCancelledAndClosesTheKey) {
  RunningProgram kqtool({KqtoolPath(), "--json", "init", "--media-id", mediaId_});
  ASSERT_TRUE(WaitForWait()) << UiLog();
  kqtool.Signal(SIGINT);
  const ProgramRun run = kqtool.Wait();
  ExpectCancelledAndClosed(run, dir_.File("run"));
  EXPECT_NE(run.err.find("wait ended: cancelled"), std::string::npos) << run.err;
}

// Here the waits gather in the runtime directory, where they go when KQCSP_RUN_DIR is not set.
TEST_F(KqtoolWaitingKey, CancelWaitsFromAnotherProcessEndsTheWait) {
  const ScopedEnv runDirectory("KQCSP_RUN_DIR", std::nullopt);
  const ScopedEnv runtime("XDG_RUNTIME_DIR", dir_.File("runtime"));
  std::filesystem::create_directory(dir_.File("runtime"));
  RunningProgram kqtool({KqtoolPath(), "--json", "init", "--media-id", mediaId_});
  ASSERT_TRUE(WaitForWait()) << UiLog();
  const ProgramRun cancel = RunKqtool({"--json", "cancel-waits"});
  EXPECT_EQ(cancel.exitCode, 0);
  const Json json = ParseJson(cancel.out);
  EXPECT_GE(json["outputs"]["waits_reached"].get<double>(), 1);
  ExpectCancelledAndClosed(kqtool.Wait(), dir_.File("runtime") + "/kqcsp");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("runtime") + "/kqcsp"));
}

}  // namespace
}  // namespace kq::test
