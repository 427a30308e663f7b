#include "private_folder.h"

#include <cstdlib>
#include <string>

namespace kq::cli {

std::optional<std::filesystem::path> MakePrivateFolder(std::string_view prefix) {
  std::error_code failure;
  const std::filesystem::path base = std::filesystem::temp_directory_path(failure);
  if (failure) {
    return std::nullopt;
  }
  // mkdtemp makes the folder with mode 0700 in one step, failing on any existing name.
  std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return std::nullopt;
  }
  return std::filesystem::path(pattern);
}

}  // namespace kq::cli
