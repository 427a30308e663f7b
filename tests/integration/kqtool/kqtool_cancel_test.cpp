// A key that waits for its button: `kqtool cancel-waits` from another process ends the wait as
// cancelled through its socket in the wait directory, and the operation closes the key.
#include <chrono>
#include <filesystem>
#include <future>

#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

// Here the waits gather in the runtime directory, where they go when KQCSP_RUN_DIR is not set.
TEST_F(KqtoolWithKey, CancelWaitsFromAnotherProcessEndsTheWait) {
  scene_.SetButton(key_, "manual:600");  // waits for a `kqsim press` that nobody gives
  const TempDirectory runtime;
  const ScopedEnv runDirectory("KQCSP_RUN_DIR", std::nullopt);
  const ScopedEnv runtimeDirectory("XDG_RUNTIME_DIR", runtime.path().string());
  auto init = std::async(std::launch::async, RunKqtool,
                         std::vector<std::string>{"--json", "init", "--media-id", mediaId_});
  // The wait is reachable once its socket is in the wait folder; a loaded machine may take its
  // time to start the second process, so only the test's own timeout bounds the watch.
  const std::filesystem::path waits = runtime.path() / "kqcsp";
  std::error_code error;
  while (!std::filesystem::exists(waits, error) || std::filesystem::is_empty(waits, error)) {
    ASSERT_NE(init.wait_for(std::chrono::milliseconds(50)), std::future_status::ready)
        << "kqtool ended before its wait: " << init.get().err;
  }
  const Json cancel = RunKqtoolJson({"cancel-waits"}, 0);
  EXPECT_GE(cancel["outputs"]["waits_reached"].get<double>(), 1);

  const CommandResult run = init.get();
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  const Json json = ParseJson(run.out);
  EXPECT_EQ(json["calls"].at(0)["function"].get<std::string>(), "KQ_InitCard");
  EXPECT_EQ(json["calls"].at(0)["status"]["name"].get<std::string>(), "SCARD_W_CANCELLED_BY_USER");
  EXPECT_NE(UiLog().find("WAIT 3 "), std::string::npos) << UiLog();
  EXPECT_NE(UiLog().find("WAITEND 3 2"), std::string::npos) << UiLog();
  EXPECT_EQ(scene_.OpenHandles(key_), 0);
  EXPECT_TRUE(std::filesystem::is_empty(runtime.path() / "kqcsp")) << "the socket stays";
}

}  // namespace
}  // namespace kq::test
