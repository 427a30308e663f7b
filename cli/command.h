#pragma once
// One kqtool command: its name, its options, a line of help and the function that runs it.
// Commands are grouped by purpose in their own files, each listing its commands in a table.

#include <span>
#include <string>
#include <string_view>

#include "command_line.h"
#include "provider_library.h"
#include "report.h"

namespace kq::cli {

struct Context {
  const ProviderLibrary* provider = nullptr;  // null for commands that need no provider
  std::string programPath;                    // kqtool's own file, to find kqsim beside it
  std::string libraryOption;                  // --library as given; empty for the default
  bool json = false;
  [[nodiscard]] const ProviderExports& api() const { return provider->exports(); }
};

// Runs a command; returns a usage error's message, or an empty text when the arguments were
// right (whatever the calls' results).
using CommandFunction = std::string (*)(Context& context, const Arguments& args, Report& report);

struct CommandSpec {
  std::string_view name;
  std::string_view synopsis;  // the arguments, as help shows them
  std::string_view summary;   // one line
  std::span<const OptionSpec> options;
  CommandFunction run;
  bool needsProvider = true;
  // Options only up to the first word; the words after it are the command's own (csp steps).
  bool scripted = false;
};

std::span<const CommandSpec> DeviceCommands();
std::span<const CommandSpec> CertificateCommands();
std::span<const CommandSpec> SignatureCommands();
std::span<const CommandSpec> TableCommands();
std::span<const CommandSpec> CspCommands();
std::span<const CommandSpec> WaitCommands();
std::span<const CommandSpec> DemoCommands();
std::span<const CommandSpec> UserStoreCommands();
std::span<const CommandSpec> RepairCommands();

// The csp steps with their options, for help.
std::string CspStepHelp();

// Records that the library lacks an export; true when the export is there.
template <typename Function>
bool HasExport(Function function, const char* name, Report& report) {
  if (function == nullptr) {
    report.AddProblem(std::string("the provider library does not export ") + name);
    return false;
  }
  return true;
}

}  // namespace kq::cli
