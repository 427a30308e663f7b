#include "kqtool_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kq::test {

std::string KqtoolPath() {
  return std::string(KQ_TEST_BIN_DIR) + "/kqtool";
}

std::string KqsimPath() {
  return std::string(KQ_TEST_BIN_DIR) + "/kqsim";
}

RunningProgram::RunningProgram(const std::vector<std::string>& arguments) {
  const std::string out = files_.File("out");
  const std::string err = files_.File("err");
  std::vector<char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT, 0600);
  if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait();
  }
}

void RunningProgram::Signal(int signalNumber) const {
  if (pid_ > 0) {
    kill(pid_, signalNumber);
  }
}

ProgramRun RunningProgram::Wait() {
  ProgramRun run;
  if (pid_ > 0) {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  run.out = ReadText(files_.File("out"));
  run.err = ReadText(files_.File("err"));
  return run;
}

ProgramRun RunKqtool(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {KqtoolPath()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  return RunCommand(all);
}

}  // namespace kq::test
