#include "softkey/soft_key_root.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "softkey/text_values.h"

namespace kq::sim {

namespace {
const char* NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}
}  // namespace

std::filesystem::path SoftKeyRoot() {
  if (const char* root = NonEmptyEnvironment("KQSIM_ROOT")) {
    return std::filesystem::path(root);
  }
  if (const char* data = NonEmptyEnvironment("XDG_DATA_HOME")) {
    return std::filesystem::path(data) / "kqsim";
  }
  const char* home = NonEmptyEnvironment("HOME");
  if (home == nullptr) {
    home = NonEmptyEnvironment("USERPROFILE");
  }
  const std::filesystem::path base = home != nullptr ? std::filesystem::path(home) : ".";
  return base / ".local" / "share" / "kqsim";
}

std::vector<std::filesystem::path> ListKeyDirectories(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> keys;
  std::error_code error;
  std::filesystem::directory_iterator it(root, error);
  if (error) {
    return keys;
  }
  for (const std::filesystem::directory_entry& entry : it) {
    const std::string name = entry.path().filename().string();
    // Directories being built or removed start with a dot and are not attached yet.
    if (name.empty() || name[0] == '.') {
      continue;
    }
    if (entry.is_directory(error) &&
        std::filesystem::exists(entry.path() / kKeyConfigName, error)) {
      keys.push_back(entry.path());
    }
  }
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    return a.filename().string() < b.filename().string();
  });
  return keys;
}

std::string ReaderName(size_t index) {
  return std::string(kReaderPrefix) + std::to_string(index);
}

std::optional<size_t> ReaderIndex(std::string_view readerName) {
  if (readerName.size() <= kReaderPrefix.size() ||
      readerName.substr(0, kReaderPrefix.size()) != kReaderPrefix) {
    return std::nullopt;
  }
  const std::string_view digits = readerName.substr(kReaderPrefix.size());
  if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<uint32_t> index = ParseNumber(digits);
  if (!index) {
    return std::nullopt;
  }
  return static_cast<size_t>(*index);
}

std::optional<std::filesystem::path> KeyDirectoryForReader(const std::filesystem::path& root,
                                                           std::string_view readerName) {
  const std::optional<size_t> index = ReaderIndex(readerName);
  if (!index) {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> keys = ListKeyDirectories(root);
  if (*index >= keys.size()) {
    return std::nullopt;
  }
  return keys[*index];
}

std::optional<std::filesystem::path> FindKeyDirectory(const std::filesystem::path& root,
                                                      std::string_view name) {
  const std::vector<std::filesystem::path> keys = ListKeyDirectories(root);
  for (const std::filesystem::path& key : keys) {
    if (key.filename().string() == name) {
      return key;
    }
  }
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos) {
    const std::optional<uint32_t> index = ParseNumber(name);
    if (index && *index < keys.size()) {
      return keys[*index];
    }
  }
  return KeyDirectoryForReader(root, name);
}

}  // namespace kq::sim
