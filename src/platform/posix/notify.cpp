#include "platform/notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "common/utf.h"

namespace kq::platform {

namespace {

// Identifiers as Windows gives them to registered messages: 0xC000 upwards, one per name.
constexpr uint32_t kFirstRegisteredMessage = 0xC000;
constexpr uint32_t kLastRegisteredMessage = 0xFFFF;

class MessageNames {
 public:
  uint32_t Register(std::u16string_view name) {
    if (name.empty()) {
      return 0;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == name) {
        return kFirstRegisteredMessage + static_cast<uint32_t>(i);
      }
    }
    if (kFirstRegisteredMessage + names_.size() > kLastRegisteredMessage) {
      return 0;
    }
    names_.emplace_back(name);
    return kFirstRegisteredMessage + static_cast<uint32_t>(names_.size() - 1);
  }

  // The name of an identifier, empty when it was never registered.
  std::string Name(uint32_t message) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (message < kFirstRegisteredMessage || message - kFirstRegisteredMessage >= names_.size()) {
      return {};
    }
    return Utf16ToUtf8(names_[message - kFirstRegisteredMessage]);
  }

 private:
  std::mutex mutex_;
  std::vector<std::u16string> names_;
};

MessageNames& Names() {
  static MessageNames names;
  return names;
}

// One datagram to the listener; false when there is none.
bool SendDatagram(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const char* path = std::getenv("KQCSP_NOTIFY_SOCKET");
  if (path == nullptr || *path == '\0' || message == 0) {
    return false;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t pathLength = std::strlen(path);
  if (pathLength >= sizeof(address.sun_path)) {
    return false;
  }
  std::memcpy(address.sun_path, path, pathLength + 1);
  const std::string name = Names().Name(message);
  if (name.empty()) {
    return false;
  }
  const std::string line =
      name + " " + std::to_string(wParam) + " " + std::to_string(lParam) + "\n";
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  const ssize_t sent = sendto(fd, line.data(), line.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  close(fd);
  return sent == static_cast<ssize_t>(line.size());
}

}  // namespace

uint32_t RegisterNotification(std::u16string_view name) {
  return Names().Register(name);
}

void BroadcastNotification(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  (void)SendDatagram(message, wParam, lParam);
}

bool SendToMarkedWindow(uint32_t message, uintptr_t wParam, intptr_t lParam,
                        std::u16string_view /*markerProperty*/) {
  return SendDatagram(message, wParam, lParam);
}

}  // namespace kq::platform
