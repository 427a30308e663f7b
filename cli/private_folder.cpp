#include "private_folder.h"

namespace kq::cli {

std::optional<std::filesystem::path> MakePrivateFolder(std::string_view prefix) {
  std::error_code failure;
  const std::filesystem::path base = std::filesystem::temp_directory_path(failure);
  if (failure) {
    return std::nullopt;
  }
  return MakeFolderOfOwnerOnly(base, prefix);
}

}  // namespace kq::cli
