// The version resource of a Windows file, as Explorer's "Details" and the installer read it.
#pragma once

#include <string>

namespace kq::cli {

// One line naming FileVersion, ProductVersion, ProductName, FileDescription and
// OriginalFilename of the file; false with a reason when it has no version resource (always on
// systems without version resources).
bool DescribeFileVersion(const std::string& path, std::string& line);

}  // namespace kq::cli
