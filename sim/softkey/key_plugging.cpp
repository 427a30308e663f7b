#include "softkey/key_plugging.h"

#include <system_error>

#include "softkey/key_maker.h"
#include "softkey/soft_key_root.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

// Renames a key directory once no operation is midway on it (Windows renames no directory that
// holds an open file, so the lock is let go first).
bool MoveKey(const std::filesystem::path& from, const std::filesystem::path& to,
             std::string& error) {
  { const platform::FileLock lock = SoftKey(from).Lock(); }
  std::error_code failure;
  std::filesystem::create_directories(to.parent_path(), failure);
  std::filesystem::rename(from, to, failure);
  if (failure) {
    error = "cannot move " + from.string() + ": " + failure.message();
    return false;
  }
  return true;
}

}  // namespace

bool UnplugKey(const std::filesystem::path& root, std::string_view key, std::string& error) {
  const std::optional<std::filesystem::path> directory = FindKeyDirectory(root, key);
  if (!directory) {
    error = "no attached key " + std::string(key);
    return false;
  }
  if (!ReplugKey(SoftKey(*directory))) {
    error = "cannot read the key " + directory->string();
    return false;
  }
  return MoveKey(*directory, root / kUnpluggedFolder / directory->filename(), error);
}

bool PlugKey(const std::filesystem::path& root, std::string_view name, std::string& error) {
  const std::filesystem::path directory = root / kUnpluggedFolder / std::string(name);
  std::error_code failure;
  if (name.empty() || name.find_first_of("/\\") != std::string_view::npos ||
      !std::filesystem::exists(directory / kKeyConfigName, failure)) {
    error = "no unplugged key " + std::string(name);
    return false;
  }
  if (std::filesystem::exists(root / std::string(name), failure)) {
    error = "a key " + std::string(name) + " is attached already";
    return false;
  }
  return MoveKey(directory, root / std::string(name), error);
}

bool RunPlugSteps(const std::filesystem::path& root, std::string_view steps, std::string& error) {
  for (const std::string_view step : SplitFields(steps, ",")) {
    const size_t colon = step.find(':');
    const std::string_view action = step.substr(0, colon);
    const std::string_view key = colon == std::string_view::npos ? "" : step.substr(colon + 1);
    if (action == "unplug" && !key.empty()) {
      if (!UnplugKey(root, key, error)) {
        return false;
      }
    } else if (action == "plug" && !key.empty()) {
      if (!PlugKey(root, key, error)) {
        return false;
      }
    } else {
      error = "a step is unplug:KEY or plug:NAME, not " + std::string(step);
      return false;
    }
  }
  return true;
}

}  // namespace kq::sim
