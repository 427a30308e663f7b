#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kq::contract {

namespace {

std::filesystem::path MakeDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kq-child-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return {};
  }
  return pattern;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::vector<std::string> ChildResult::Step(const std::string& step) const {
  for (const std::string& line : lines) {
    if (line.rfind(step + " ", 0) == 0) {
      std::vector<std::string> fields;
      std::istringstream words(line.substr(step.size() + 1));
      for (std::string word; words >> word;) {
        fields.push_back(word);
      }
      return fields;
    }
  }
  return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const EnvironmentChanges& changes)
    : directory_(MakeDirectory()) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const size_t eq = text.find('=');
    if (eq != std::string::npos) {
      variables[text.substr(0, eq)] = text.substr(eq + 1);
    }
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> envText;
  for (const auto& [name, value] : variables) {
    envText.push_back(name + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& text : envText) {
    envp.push_back(text.data());
  }
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& text : args) {
    argp.push_back(text.data());
  }
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = (directory_ / "stdout").string();
  const std::string err = (directory_ / "stderr").string();
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  if (!directory_.empty() &&
      posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

ChildResult ChildProcess::Wait(std::chrono::seconds limit) {
  ChildResult result;
  if (pid_ <= 0) {
    result.errors = "the child did not start";
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      break;
    }
    if (done < 0 || std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid_ = -1;
  result.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.lines = ReadLines(directory_ / "stdout");
  result.errors = ReadAll(directory_ / "stderr");
  return result;
}

ChildResult RunChild(const std::vector<std::string>& argv, const EnvironmentChanges& changes) {
  ChildProcess child(argv, changes);
  return child.Wait();
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::istringstream text(ReadAll(path));
  for (std::string line; std::getline(text, line, '\n');) {
    lines.push_back(line);
  }
  return lines;
}

}  // namespace kq::contract
