#include "support/ui_log_capture.h"

#include <filesystem>
#include <fstream>
#include <thread>

namespace kq::test {

std::vector<std::string> UiLogCapture::Lines() const {
  std::vector<std::string> lines;
  std::ifstream in(logPath_);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> UiLogCapture::WaitSockets() const {
  std::vector<std::string> sockets;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(waitDirectory_, ignored)) {
    if (entry.is_socket(ignored)) {
      sockets.push_back(entry.path().filename().string());
    }
  }
  return sockets;
}

bool UiLogCapture::AwaitWaitSockets(size_t count, std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (WaitSockets().size() != count) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace kq::test
