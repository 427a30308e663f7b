#pragma once
// Runs the built kqtool (and kqsim) as a child process, as a user would, with the test's
// environment, and collects its exit status and its standard output and error.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_directory.h"

namespace kq::test {

using ProgramRun = CommandResult;  // exitCode -1: did not end by itself

std::string KqtoolPath();
std::string KqsimPath();

ProgramRun RunKqtool(const std::vector<std::string>& arguments);

// A program running beside the test; its output goes to files until it ends.
class RunningProgram {
 public:
  explicit RunningProgram(const std::vector<std::string>& arguments);
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  // Kills the program if it still runs.
  ~RunningProgram();

  void Signal(int signalNumber) const;
  ProgramRun Wait();

 private:
  TempDirectory files_;  // the program's output
  pid_t pid_ = -1;
};

}  // namespace kq::test
