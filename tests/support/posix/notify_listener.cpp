#include "support/notify_listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

namespace kq::test {

NotifyListener::NotifyListener() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof(address.sun_path)) {
    return;
  }
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd_);
    fd_ = -1;
  }
  if (fd_ >= 0) {
    env_.emplace("KQCSP_NOTIFY_SOCKET", path_);
  }
}

NotifyListener::~NotifyListener() {
  env_.reset();
  if (fd_ >= 0) {
    close(fd_);
  }
}

std::optional<std::string> NotifyListener::NextLine(std::chrono::milliseconds wait) {
  if (fd_ < 0) {
    return std::nullopt;
  }
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(wait.count())) != 1) {
    return std::nullopt;
  }
  char buffer[512];
  const ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
  if (n < 0) {
    return std::nullopt;
  }
  return std::string(buffer, static_cast<size_t>(n));
}

std::vector<Notification> NotifyListener::Drain() {
  std::vector<Notification> all;
  while (std::optional<std::string> line = NextLine(std::chrono::milliseconds(0))) {
    // "<name> <wParam> <lParam>\n"; a line of another form is kept with an empty name.
    std::istringstream in(*line);
    Notification n;
    std::string extra;
    const bool parsed =
        line->ends_with('\n') && (in >> n.name >> n.wParam >> n.lParam) && !(in >> extra);
    all.push_back(parsed ? n : Notification{});
  }
  return all;
}

}  // namespace kq::test
