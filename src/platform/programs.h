#pragma once
// Starting other programs and finding the running one. kqtool's demo runs the soft key's kqsim
// and the openssl command this way; it finds kqsim beside itself.

#include <string>
#include <vector>

namespace kq::platform {

// Runs a program and waits for it. arguments[0] is the program: a path, or a name looked up on
// the search path. Standard input is empty; standard output and error are appended to the file
// at logPath. Returns the program's exit status, or -1 when it could not be started or did not
// end by itself.
int RunProgram(const std::vector<std::string>& arguments, const std::string& logPath);

// The full path of the running program's file; empty when the system does not tell.
std::string CurrentProgramPath();

// The file of the loaded library (or program) that holds the given function or data; empty when
// the system does not tell.
std::string ModulePathOf(const void* address);

}  // namespace kq::platform
