#pragma once
// The demo's temporary world: a directory that holds the soft keys, the wait sockets, the
// registry file, the CA and every file the steps write, and the environment that points the
// provider and the soft key at it. Everything goes when the scene does, and the environment is
// as it was before.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kq::cli {

class DemoScene {
 public:
  static std::optional<DemoScene> Create(std::string& error);
  DemoScene(DemoScene&& other) noexcept;
  DemoScene& operator=(DemoScene&&) = delete;
  DemoScene(const DemoScene&) = delete;
  ~DemoScene();

  [[nodiscard]] const std::filesystem::path& root() const { return root_; }
  // A file of the scene, by name.
  [[nodiscard]] std::string File(const std::string& name) const;

  // Sets a variable for the demo's time (restored afterwards).
  void SetEnvironment(const std::string& name, const std::string& value);

  // Runs a program with its output in the scene's log; true when it exits with 0.
  bool Run(const std::vector<std::string>& arguments);
  // The last lines of the log (for a failed program's reason).
  [[nodiscard]] std::string LogTail() const;

  // Removes the directory and restores the environment; true when nothing is left.
  bool Remove();

 private:
  DemoScene() = default;

  std::filesystem::path root_;
  std::string log_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  bool removed_ = false;
};

}  // namespace kq::cli
