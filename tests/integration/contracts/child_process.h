#pragma once
// Programs run the way an outside test suite runs them: a child process with an environment of
// its own (the loader reads LD_LIBRARY_PATH only when a process starts), its standard output and
// error collected in files.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kq::contract {

// Variables to set (a value) or remove (nullopt) on top of this process's environment.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

struct ChildResult {
  int exitCode = -1;               // -1: killed, or it could not start
  std::vector<std::string> lines;  // standard output, one entry per line, without line ends
  std::string errors;              // standard error

  // The first output line that begins with "<step> ", split at blanks after the step; empty
  // when there is none.
  [[nodiscard]] std::vector<std::string> Step(const std::string& step) const;
};

class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const EnvironmentChanges& changes);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();  // a child still running is killed and reaped

  [[nodiscard]] pid_t pid() const { return pid_; }
  // Waits for the end (killing the child after `limit`) and collects its output.
  ChildResult Wait(std::chrono::seconds limit = std::chrono::seconds(120));

 private:
  std::filesystem::path directory_;
  pid_t pid_ = -1;
};

// Starts, waits and collects.
ChildResult RunChild(const std::vector<std::string>& argv, const EnvironmentChanges& changes);

// Every line of a text file, without line ends; a line end is "\n" alone, so a stray "\r"
// stays visible in the line.
std::vector<std::string> ReadLines(const std::filesystem::path& path);

}  // namespace kq::contract
