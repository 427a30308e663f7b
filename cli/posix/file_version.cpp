// Linux libraries and programs carry no version resource: `kqtool --version` prints the version
// that kqtool was built with.
#include "file_version.h"

namespace kq::cli {

bool DescribeFileVersion(const std::string& /*path*/, std::string& line) {
  line = "version resources exist in Windows files only";
  return false;
}

}  // namespace kq::cli
