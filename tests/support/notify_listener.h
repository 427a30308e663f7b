#pragma once
// Stands in for the bank's tool windows on POSIX: binds a Unix datagram socket in a fresh
// temporary directory, points KQCSP_NOTIFY_SOCKET at it, and collects the notification lines
// ("<name> <wParam> <lParam>") the system sends. Restores the variable and removes the socket
// when it goes.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {

struct Notification {
  std::string name;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

class NotifyListener {
 public:
  NotifyListener();
  NotifyListener(const NotifyListener&) = delete;
  NotifyListener& operator=(const NotifyListener&) = delete;
  ~NotifyListener();

  [[nodiscard]] bool ready() const { return fd_ >= 0; }
  [[nodiscard]] const std::string& path() const { return path_; }

  // The next datagram's text as received, or nullopt when none arrives within `wait`.
  std::optional<std::string> NextLine(
      std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
  // Every datagram already queued, parsed; lines that do not parse are kept with an empty name.
  std::vector<Notification> Drain();

 private:
  TempDirectory directory_;  // removed last, with the socket
  std::string path_ = directory_.File("tools.sock");
  int fd_ = -1;
  std::optional<ScopedEnv> env_;
};

}  // namespace kq::test
