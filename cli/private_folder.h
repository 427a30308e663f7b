#pragma once
// A new folder of kqtool's own in the temporary folder, made with a name nobody can guess and
// readable by its owner only, so that no other user can read what kqtool keeps there or plant a
// link at one of its names.

#include <filesystem>
#include <optional>
#include <string_view>

namespace kq::cli {

// The folder "<temp>/<prefix>XXXXXX"; nothing when none can be made.
std::optional<std::filesystem::path> MakePrivateFolder(std::string_view prefix);

// The platform's side: "<base>/<prefix>" and a part nobody can guess, made anew for its owner.
std::optional<std::filesystem::path> MakeFolderOfOwnerOnly(const std::filesystem::path& base,
                                                           std::string_view prefix);

}  // namespace kq::cli
