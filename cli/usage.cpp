#include "usage.h"

#include <array>

namespace kq::cli {

namespace {

std::span<const std::span<const CommandSpec>> AllGroups() {
  static const std::array<std::span<const CommandSpec>, 9> groups = {
      DeviceCommands(), CertificateCommands(), SignatureCommands(),
      TableCommands(),  CspCommands(),         UserStoreCommands(),
      WaitCommands(),   DemoCommands(),        RepairCommands()};
  return groups;
}

std::string Line(const CommandSpec& command) {
  return "  " + std::string(command.name) + " " + std::string(command.synopsis) + "\n      " +
         std::string(command.summary) + "\n";
}

}  // namespace

const CommandSpec* FindCommand(std::string_view name) {
  for (const auto group : AllGroups()) {
    for (const CommandSpec& command : group) {
      if (command.name == name) {
        return &command;
      }
    }
  }
  return nullptr;
}

std::string GeneralHelp() {
  std::string text =
      "usage: kqtool [--library PATH] [--json] COMMAND [OPTIONS]\n"
      "Loads the provider library (by name, or from --library PATH) as the bank's tools do and\n"
      "calls its exports. Every result shows its status code with name and meaning; --json\n"
      "prints the result as JSON. Exit status: 0 success, 1 failure, 2 usage error.\n"
      "kqtool --version [FILE...] prints kqtool's version and each Windows file's version "
      "resource.\n\n"
      "commands:\n";
  for (const auto group : AllGroups()) {
    for (const CommandSpec& command : group) {
      text += Line(command);
    }
  }
  text += "\nkqtool help COMMAND tells more; kqtool help csp lists the CryptoAPI steps.\n";
  return text;
}

std::string CommandHelp(std::string_view name) {
  const CommandSpec* command = FindCommand(name);
  if (command == nullptr) {
    return {};
  }
  std::string text = "usage: kqtool [--library PATH] [--json] " + std::string(command->name) + " " +
                     std::string(command->synopsis) + "\n" + std::string(command->summary) + "\n";
  if (command->name == "csp") {
    text +=
        "\nsteps (each followed by its own options; they share the last key, hash and "
        "signature):\n" +
        CspStepHelp();
  }
  return text;
}

}  // namespace kq::cli
