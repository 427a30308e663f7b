#include "demo_scene.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/environment.h"
#include "platform/programs.h"
#include "private_folder.h"

namespace kq::cli {

std::optional<DemoScene> DemoScene::Create(std::string& error) {
  DemoScene scene;
  std::optional<std::filesystem::path> folder = MakePrivateFolder("kqtool-demo-");
  if (!folder) {
    error = "cannot make a temporary directory";
    return std::nullopt;
  }
  scene.root_ = std::move(*folder);
  scene.log_ = scene.File("programs.log");
  return scene;
}

DemoScene::DemoScene(DemoScene&& other) noexcept
    : root_(std::move(other.root_)),
      log_(std::move(other.log_)),
      saved_(std::move(other.saved_)),
      removed_(other.removed_) {
  other.removed_ = true;
}

DemoScene::~DemoScene() {
  Remove();
}

std::string DemoScene::File(const std::string& name) const {
  return (root_ / name).string();
}

void DemoScene::SetEnvironment(const std::string& name, const std::string& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
  platform::SetEnvironmentValue(name, value);
}

bool DemoScene::Run(const std::vector<std::string>& arguments) {
  return platform::RunProgram(arguments, log_) == 0;
}

std::string DemoScene::LogTail() const {
  std::ifstream file(log_);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty()) {
      lines.push_back(line);
    }
  }
  std::string tail;
  for (size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i) {
    tail += (tail.empty() ? "" : " / ") + lines[i];
  }
  return tail;
}

bool DemoScene::Remove() {
  if (removed_) {
    return true;
  }
  removed_ = true;
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      platform::SetEnvironmentValue(it->first, *it->second);
    } else {
      platform::UnsetEnvironmentValue(it->first);
    }
  }
  std::error_code failure;
  std::filesystem::remove_all(root_, failure);
  return !failure && !std::filesystem::exists(root_, failure);
}

}  // namespace kq::cli
