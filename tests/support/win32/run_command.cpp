#include "support/run_command.h"

#include "platform/programs.h"
#include "support/temp_directory.h"

namespace kq::test {

CommandResult RunCommand(const std::vector<std::string>& argv, std::string_view /*input*/) {
  const TempDirectory folder;
  const std::string log = folder.File("output.log");
  CommandResult result;
  result.exitCode = platform::RunProgram(argv, log);
  result.out = ReadText(log);
  return result;
}

}  // namespace kq::test
