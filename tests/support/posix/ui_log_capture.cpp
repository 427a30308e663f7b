#include "support/ui_log_capture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace kq::test {

namespace {

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  DIR* listing = opendir(path.c_str());
  if (listing == nullptr) {
    return names;
  }
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(name);
    }
  }
  closedir(listing);
  return names;
}

template <typename Done>
bool Poll(std::chrono::milliseconds limit, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace

UiLogCapture::UiLogCapture() {
  std::string pattern = "/tmp/kquilog-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    return;
  }
  directory_ = pattern;
  logPath_ = directory_ + "/ui.log";
  waitDirectory_ = directory_ + "/run";
  logEnv_.emplace("KQCSP_UI_LOG", logPath_);
  runDirEnv_.emplace("KQCSP_RUN_DIR", waitDirectory_);
}

UiLogCapture::~UiLogCapture() {
  logEnv_.reset();
  runDirEnv_.reset();
  if (directory_.empty()) {
    return;
  }
  for (const std::string& name : DirectoryEntries(waitDirectory_)) {
    std::remove((waitDirectory_ + "/" + name).c_str());
  }
  rmdir(waitDirectory_.c_str());
  std::remove(logPath_.c_str());
  rmdir(directory_.c_str());
}

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
  for (const std::string& name : DirectoryEntries(waitDirectory_)) {
    struct stat info {};
    if (lstat((waitDirectory_ + "/" + name).c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
      sockets.push_back(name);
    }
  }
  return sockets;
}

bool UiLogCapture::AwaitWaitSockets(size_t count, std::chrono::milliseconds limit) const {
  return Poll(limit, [&] { return WaitSockets().size() == count; });
}

}  // namespace kq::test
