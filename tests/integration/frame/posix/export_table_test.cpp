// The provider library exports exactly the names of its version script, nothing more.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(ExportTable, TheLinuxLibraryExportsExactlyItsListedNames) {
  const std::string libDir = KQ_TEST_LIB_DIR;
  const std::string buildDir = libDir.substr(0, libDir.rfind('/'));
  // The Windows table is checked after the mingw build; here only the Linux one.
  const std::string command = std::string("bash '") + KQ_TEST_SOURCE_DIR +
                              "/scripts/check-exports.sh' '" + buildDir + "' /nonexistent";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace
