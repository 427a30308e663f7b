// A key that waits for its button: `kqtool cancel-waits` from another process ends the wait as
// cancelled through its socket in the wait directory, and the operation closes the key.
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "json_reader.h"
#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

// Here the waits gather in the runtime directory, where they go when KQCSP_RUN_DIR is not set.
TEST_F(KqtoolWithKey, CancelWaitsFromAnotherProcessEndsTheWait) {
  // The key waits for a `kqsim press` that nobody gives.
  ASSERT_EQ(RunCommand({KqsimPath(), "button", keyName_, "manual:600"}).exitCode, 0);
  const ScopedEnv runDirectory("KQCSP_RUN_DIR", std::nullopt);
  const ScopedEnv runtime("XDG_RUNTIME_DIR", dir_.File("runtime"));
  std::filesystem::create_directory(dir_.File("runtime"));
  RunningProgram kqtool({KqtoolPath(), "--json", "init", "--media-id", mediaId_});
  for (int i = 0; i < 200 && UiLog().find("WAIT 3 ") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(UiLog().find("WAIT 3 "), std::string::npos) << UiLog();
  const Json cancel = RunKqtoolJson({"cancel-waits"}, 0);
  EXPECT_GE(cancel["outputs"]["waits_reached"].get<double>(), 1);

  const ProgramRun run = kqtool.Wait();
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  const Json json = ParseJson(run.out);
  const Json& call = json["calls"].at(0);
  EXPECT_EQ(call["function"].get<std::string>(), "KQ_InitCard");
  EXPECT_EQ(call["status"]["name"].get<std::string>(), "SCARD_W_CANCELLED_BY_USER");
  EXPECT_NE(UiLog().find("WAITEND 3 2"), std::string::npos) << UiLog();
  EXPECT_EQ(OpenHandles(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("runtime") + "/kqcsp")) << "the socket stays";
}

}  // namespace
}  // namespace kq::test
