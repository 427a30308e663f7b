#pragma once
// Watches the POSIX user interface for one test: makes a fresh temporary directory, points
// KQCSP_UI_LOG at a log file in it and KQCSP_RUN_DIR at a wait directory in it, and reads the UI
// log's lines back. Restores both variables and removes the directory when it goes.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {

class UiLogCapture {
 public:
  UiLogCapture() = default;
  UiLogCapture(const UiLogCapture&) = delete;
  UiLogCapture& operator=(const UiLogCapture&) = delete;

  [[nodiscard]] const std::string& logPath() const { return logPath_; }
  [[nodiscard]] const std::string& waitDirectory() const { return waitDirectory_; }

  // Every line logged so far, without line ends.
  [[nodiscard]] std::vector<std::string> Lines() const;
  // The wait sockets now in the wait directory (file names).
  [[nodiscard]] std::vector<std::string> WaitSockets() const;
  // Waits until the wait directory holds `count` sockets; false after `limit`.
  bool AwaitWaitSockets(size_t count,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

 private:
  TempDirectory directory_;  // removed last, after the variables are restored
  std::string logPath_ = directory_.File("ui.log");
  std::string waitDirectory_ = directory_.File("run");
  ScopedEnv logEnv_{"KQCSP_UI_LOG", logPath_};
  ScopedEnv runDirEnv_{"KQCSP_RUN_DIR", waitDirectory_};
};

}  // namespace kq::test
