#pragma once
// Running the build's own programs (kqsim, kqtool) and outside commands from tests, with their
// output captured.

#include <string>
#include <string_view>
#include <vector>

namespace kq::test {

struct CommandResult {
  int exitCode = -1;  // the exit status, or -1 when the command could not run or was killed
  std::string out;
  std::string err;  // on Windows the two streams arrive together in `out`
};

// Runs argv[0] (searched on PATH) with `input` on its standard input, and collects its output.
// On Windows standard input is empty.
CommandResult RunCommand(const std::vector<std::string>& argv, std::string_view input = {});

}  // namespace kq::test
