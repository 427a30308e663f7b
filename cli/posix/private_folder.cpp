#include <cstdlib>
#include <string>

#include "private_folder.h"

namespace kq::cli {

std::optional<std::filesystem::path> MakeFolderOfOwnerOnly(const std::filesystem::path& base,
                                                           std::string_view prefix) {
  // mkdtemp makes the folder with mode 0700 in one step, failing on any existing name.
  std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return std::nullopt;
  }
  return std::filesystem::path(pattern);
}

}  // namespace kq::cli
