// kqtool: a command-line client of the provider library. It loads the library by name, as the
// bank's tools do, and calls its exports: the KQ_ tool exports, the function table and the
// CryptoAPI entry points. Exit status: 0 success, 1 an operation failed, 2 a usage error.
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "command.h"
#include "common/utf.h"
#include "file_version.h"
#include "platform/programs.h"
#include "program_arguments.h"
#include "usage.h"
#include "wait_monitor.h"

namespace {

using kq::cli::Arguments;
using kq::cli::CommandSpec;
using kq::cli::Context;
using kq::cli::Report;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& command, const std::string& message, bool json) {
  std::fprintf(stderr, "kqtool: %s\n(kqtool help%s tells more)\n", message.c_str(),
               command.empty() ? "" : (" " + command).c_str());
  if (json) {
    kq::cli::JsonObject object;
    object.Set("command", command).Set("ok", false).Set("usage_error", message);
    std::printf("%s\n", kq::cli::WriteJson(object).c_str());
  }
  return kExitUsage;
}

int Finish(const Report& report, bool json) {
  if (json) {
    std::printf("%s\n", kq::cli::WriteJson(report.ToJson()).c_str());
  } else {
    std::fputs(report.ToText().c_str(), stdout);
  }
  std::fflush(stdout);
  return report.ok() ? kExitOk : kExitFailed;
}

// --version [FILE...]: kqtool's own version, then the version resource of each file named.
int PrintVersions(std::span<const std::string> files) {
  std::printf("kqtool %s\n", KQ_VERSION);
  int status = kExitOk;
  for (const std::string& file : files) {
    std::string line;
    if (!kq::cli::DescribeFileVersion(file, line)) {
      status = kExitFailed;
    }
    std::printf("%s: %s\n", file.c_str(), line.c_str());
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> tokens = kq::cli::ProgramArguments(argc, argv);
  Context context;
  context.programPath = kq::platform::CurrentProgramPath();
  if (context.programPath.empty() && argc > 0) {
    context.programPath = argv[0];
  }

  // Global options come before the command.
  size_t at = 0;
  for (; at < tokens.size() && tokens[at].rfind("--", 0) == 0; ++at) {
    if (tokens[at] == "--json") {
      context.json = true;
    } else if (tokens[at] == "--library" && at + 1 < tokens.size()) {
      context.libraryOption = tokens[++at];
      if (!kq::IsUtf8(context.libraryOption)) {
        return UsageError("", "option --library is not valid UTF-8", context.json);
      }
    } else if (tokens[at] == "--version") {
      return PrintVersions(std::span(tokens).subspan(at + 1));
    } else if (tokens[at] == "--help") {
      std::fputs(kq::cli::GeneralHelp().c_str(), stdout);
      return kExitOk;
    } else {
      return UsageError("", "unknown or incomplete option " + tokens[at], context.json);
    }
  }
  if (at == tokens.size()) {
    std::fputs(kq::cli::GeneralHelp().c_str(), stderr);
    return kExitUsage;
  }
  const std::string& name = tokens[at];
  if (name == "help") {
    if (at + 1 < tokens.size()) {
      const std::string help = kq::cli::CommandHelp(tokens[at + 1]);
      if (help.empty()) {
        return UsageError("", "no command \"" + tokens[at + 1] + "\"", context.json);
      }
      std::fputs(help.c_str(), stdout);
    } else {
      std::fputs(kq::cli::GeneralHelp().c_str(), stdout);
    }
    return kExitOk;
  }
  const CommandSpec* command = kq::cli::FindCommand(name);
  if (command == nullptr) {
    return UsageError("", "no command \"" + name + "\"", context.json);
  }

  std::string error;
  size_t firstWord = 0;
  const std::span<const std::string> rest(tokens.data() + at + 1, tokens.size() - at - 1);
  const std::optional<Arguments> args =
      Arguments::Parse(rest, command->options, error, command->scripted ? &firstWord : nullptr);
  if (!args) {
    return UsageError(name, error, context.json);
  }
  if (!command->scripted && command->name != "check" && command->name != "table" &&
      !args->positionals().empty()) {
    return UsageError(name, "unexpected \"" + args->positionals()[0] + "\"", context.json);
  }

  Report report(name);
  std::optional<kq::cli::ProviderLibrary> provider;
  if (command->needsProvider) {
    provider = kq::cli::ProviderLibrary::Load(context.libraryOption, context.programPath, error);
    if (!provider) {
      report.AddProblem(error);
      return Finish(report, context.json);
    }
    context.provider = &*provider;
  }
  std::string usage;
  if (command->needsProvider) {
    // The provider's button waits and message boxes show on the terminal meanwhile.
    kq::cli::WaitMonitor monitor(stderr, 0);
    usage = command->run(context, *args, report);
  } else {
    usage = command->run(context, *args, report);
  }
  if (!usage.empty()) {
    return UsageError(name, usage, context.json);
  }
  return Finish(report, context.json);
}
