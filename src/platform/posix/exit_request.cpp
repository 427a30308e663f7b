#include "platform/exit_request.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

namespace kq::platform {

namespace {

constexpr std::string_view kSocketPrefix = "wait-";
constexpr std::string_view kSocketSuffix = ".sock";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// Creates the directory (and its missing parents) for this user only.
void CreateDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
  mkdir(path.c_str(), 0700);
}

// The sockets of a directory that another user owns could be watched or replaced by that user;
// such a directory is not used.
bool IsOwnDirectory(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool IsSocket(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) {
    return false;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

bool IsWaitSocketName(std::string_view name) {
  return name.size() > kSocketPrefix.size() + kSocketSuffix.size() &&
         name.substr(0, kSocketPrefix.size()) == kSocketPrefix &&
         name.substr(name.size() - kSocketSuffix.size()) == kSocketSuffix;
}

// A request is the name, optionally followed by a line end or a terminating zero.
bool IsExitRequest(std::string_view datagram) {
  const std::string_view name(kExitRequestName);
  if (datagram.substr(0, name.size()) != name) {
    return false;
  }
  const std::string_view rest = datagram.substr(name.size());
  return rest.empty() || rest == "\n" || rest == "\r\n" || rest == std::string_view("\0", 1);
}

// Reads every datagram waiting on the socket; true when one of them was an exit request.
bool DrainRequests(int fd) {
  bool requested = false;
  char buffer[64];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;
    }
    requested = requested || IsExitRequest(std::string_view(buffer, static_cast<size_t>(n)));
  }
  return requested;
}

}  // namespace

std::string WaitDirectory() {
  std::string dir = Environment("KQCSP_RUN_DIR");
  if (!dir.empty()) {
    return dir;
  }
  dir = Environment("XDG_RUNTIME_DIR");
  if (!dir.empty()) {
    return dir + "/kqcsp";
  }
  return "/tmp/kqcsp-" + std::to_string(getuid());
}

ExitRequestListener::ExitRequestListener() {
  static std::atomic<unsigned> counter{0};
  const std::string dir = WaitDirectory();
  CreateDirectories(dir);
  if (!IsOwnDirectory(dir)) {
    return;
  }
  const std::string path = dir + "/wait-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter.fetch_add(1) + 1) + ".sock";
  sockaddr_un address{};
  if (!MakeAddress(path, address)) {
    return;
  }
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return;
  }
  // A socket of this name can only be left over from a process that had our pid and died.
  if (IsSocket(path)) {
    unlink(path.c_str());
  }
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return;
  }
  socket_ = fd;
  address_ = path;
}

ExitRequestListener::~ExitRequestListener() {
  if (socket_ >= 0) {
    close(static_cast<int>(socket_));
    unlink(address_.c_str());
  }
}

bool ExitRequestListener::Wait(uint32_t milliseconds) {
  using Clock = std::chrono::steady_clock;
  if (socket_ < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return false;
  }
  const int fd = static_cast<int>(socket_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready > 0 && DrainRequests(fd)) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      // The socket is unusable: keep the wait's rhythm without it.
      std::this_thread::sleep_until(deadline);
      return false;
    }
    if (Clock::now() >= deadline) {
      return false;
    }
  }
}

int SendExitRequestToAllWaits() {
  const std::string dir = WaitDirectory();
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) {
    return 0;
  }
  const bool ownDirectory = IsOwnDirectory(dir);
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int reached = 0;
  while (fd >= 0) {
    const dirent* entry = readdir(listing);
    if (entry == nullptr) {
      break;
    }
    const std::string_view name(entry->d_name);
    const std::string path = dir + "/" + std::string(name);
    sockaddr_un address{};
    if (!IsWaitSocketName(name) || !IsSocket(path) || !MakeAddress(path, address)) {
      continue;
    }
    const std::string_view request(kExitRequestName);
    const ssize_t sent = sendto(fd, request.data(), request.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent == static_cast<ssize_t>(request.size())) {
      ++reached;
    } else if (sent < 0 && errno == ECONNREFUSED && ownDirectory) {
      // Nobody is bound to it any more: the process ended without removing its socket.
      unlink(path.c_str());
    }
  }
  if (fd >= 0) {
    close(fd);
  }
  closedir(listing);
  return reached;
}

}  // namespace kq::platform
