#include "standin_scene.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace kq::contract {

std::string ProviderPath() {
  return std::string(KQ_TEST_LIB_DIR) + "/libkqcsp.so";
}

StandInScene::StandInScene() {
  const std::filesystem::path root = dir_.path();
  std::filesystem::create_directory(root / "softkeys");
  const std::string socketPath = (root / "notify.sock").string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() < sizeof address.sun_path) {
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      socket_ = fd;
    } else if (fd >= 0) {
      close(fd);
    }
  }
  env_ = {
      {"LD_LIBRARY_PATH", std::string(KQ_STANDIN_DEVICE_DIR) + ":" + KQ_TEST_LIB_DIR},
      {"KQCSP_REGISTRY", (root / "no-registry.reg").string()},
      {"LC_ALL", "C"},
      {"LANG", "C"},
      {"LC_MESSAGES", std::nullopt},
      {"KQCSP_UI_LOG", uiLogPath()},
      {"KQCSP_RUN_DIR", (root / "run").string()},
      {"KQCSP_NOTIFY_SOCKET", socketPath},
      {"KQCSP_UI_CHOICES", std::nullopt},
      {"KQSIM_ROOT", (root / "softkeys").string()},
      {"KQSIM_PIN", "12345678"},
      {"STANDIN_LOG", (root / "calls.log").string()},
      {"STANDIN_RSA_DIR", std::string(KQ_TEST_DATA_DIR) + "/softkey"},
  };
}

StandInScene::~StandInScene() {
  if (socket_ >= 0) {
    close(socket_);
  }
}

std::vector<std::string> StandInScene::ProbeCommand(const std::vector<std::string>& args,
                                                    const std::string& provider) const {
  std::vector<std::string> argv = {KQ_CONTRACT_PROBE, provider.empty() ? ProviderPath() : provider};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

ChildResult StandInScene::Probe(const std::vector<std::string>& args,
                                const std::string& provider) const {
  return RunChild(ProbeCommand(args, provider), env_);
}

std::vector<std::string> StandInScene::UiLog() const {
  return ReadLines(dir_.path() / "ui.log");
}

std::string StandInScene::UiLogText() const {
  std::ifstream in(dir_.path() / "ui.log", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> StandInScene::Calls() const {
  return ReadLines(dir_.path() / "calls.log");
}

std::vector<std::string> StandInScene::Datagrams() {
  std::vector<std::string> received;
  char buffer[512];
  while (socket_ >= 0) {
    const ssize_t n = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) {
      break;
    }
    received.emplace_back(buffer, static_cast<size_t>(n));
  }
  return received;
}

std::string StandInScene::uiLogPath() const {
  return (dir_.path() / "ui.log").string();
}

std::string StandInScene::waitDirectory() const {
  return (dir_.path() / "run").string();
}

}  // namespace kq::contract
