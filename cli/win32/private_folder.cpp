#include <random>
#include <string>

#include "private_folder.h"

namespace kq::cli {

// The user's temporary folder on Windows is the user's own; the name is still not guessable and
// an existing name is never reused.
std::optional<std::filesystem::path> MakeFolderOfOwnerOnly(const std::filesystem::path& base,
                                                           std::string_view prefix) {
  std::random_device random;
  std::error_code failure;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::filesystem::path candidate = base / (std::string(prefix) + std::to_string(random()));
    if (std::filesystem::create_directory(candidate, failure)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, failure);
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace kq::cli
