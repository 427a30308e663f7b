// kqsim: creates, lists, inspects and resets soft keys, and presses their buttons.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kqsim/commands.h"
#include "softkey/soft_key_root.h"

namespace kq::sim {

namespace {

constexpr char kUsage[] =
    "usage: kqsim [--root DIR] COMMAND [ARGUMENTS]   (kqsim --version: its version)\n"
    "The root is DIR, else KQSIM_ROOT, else $XDG_DATA_HOME/kqsim, else ~/.local/share/kqsim.\n"
    "KEY is a key's name, its reader index or its reader name.\n"
    "\n"
    "  create [--name NAME] [--family FF] [--serial SERIAL] [--identity-tail XXXX]\n"
    "         [--label TEXT] [--pin PIN] [--tries N] [--button POLICY] [--countdown TENTHS]\n"
    "         [--max-file BYTES] [--capacity BYTES] [--identity-block FILE] [--strict-usage]\n"
    "         [--key SLOT:USAGE:PEMFILE]...      make a key; prints its name\n"
    "  import KEY SLOT USAGE PEMFILE [--tag TAG]  put a key pair into a slot\n"
    "  list                                       attached keys in reader order\n"
    "  show KEY                                   settings, PIN, slots, files, counters\n"
    "  files KEY                                  every file of the key in hex\n"
    "  read KEY FILEID [--raw]                    one file in hex, or raw to standard output\n"
    "  store KEY                                  the provider's index slots and objects\n"
    "  check KEY                                  whether the provider's store hangs\n"
    "                                             together; one line per problem\n"
    "  counters KEY|root [--clear]                calls per operation and open handles\n"
    "  press KEY ok|cancel                        press a button for the key's wait\n"
    "  button KEY POLICY                          set the button policy\n"
    "  pin KEY [--tries-left N] [--verified 0|1]  set the PIN state\n"
    "  reset KEY                                  factory state, as ZANT_InitDev leaves it\n"
    "  replug KEY                                 pull out and put back (PIN not verified)\n"
    "  remove KEY                                 detach the key and delete it\n"
    "  unplug KEY                                 pull the key out: later keys move up a reader\n"
    "  plug NAME                                  put an unplugged key back\n"
    "  fault list | clear | add OP:N[+]:STATUS... the root's fault plan\n"
    "  root                                       print the root in use\n"
    "  cancel-waits                               end every open confirmation wait of the\n"
    "                                             system as cancelled; prints how many\n"
    "\n"
    "Button policy: comma-separated steps, one per wait, the last repeating: ok[:n],\n"
    "cancel[:n], timeout[:n], fail[:n] (after n waiting polls), manual[:n] (wait for\n"
    "`kqsim press`), none (no wait).\n";

struct Command {
  const char* name;
  int (*run)(const CommandContext&);
};

constexpr Command kCommands[] = {
    {"create", CreateCommand},     {"import", ImportCommand},
    {"list", ListCommand},         {"show", ShowCommand},
    {"files", FilesCommand},       {"read", ReadCommand},
    {"counters", CountersCommand}, {"press", PressCommand},
    {"button", ButtonCommand},     {"pin", PinCommand},
    {"reset", ResetCommand},       {"replug", ReplugCommand},
    {"remove", RemoveCommand},     {"fault", FaultCommand},
    {"root", RootCommand},         {"cancel-waits", CancelWaitsCommand},
    {"store", StoreCommand},       {"check", CheckCommand},
    {"unplug", UnplugCommand},     {"plug", PlugCommand},
};

}  // namespace

int Usage(const std::string& message) {
  if (!message.empty()) {
    std::fprintf(stderr, "kqsim: %s\n", message.c_str());
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace kq::sim

int main(int argc, char** argv) {
  using namespace kq::sim;
  try {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    CommandContext context;
    context.root = SoftKeyRoot();
    while (!arguments.empty() && arguments.front().rfind("--root", 0) == 0) {
      const std::string option = arguments.front();
      arguments.erase(arguments.begin());
      if (option.rfind("--root=", 0) == 0) {
        context.root = option.substr(7);
      } else if (option == "--root" && !arguments.empty()) {
        context.root = arguments.front();
        arguments.erase(arguments.begin());
      } else {
        return Usage("--root needs a directory");
      }
    }
    if (!arguments.empty() && arguments.front() == "--version") {
      std::printf("kqsim %s\n", KQ_VERSION);
      return 0;
    }
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "help") {
      return Usage("");
    }
    const std::string name = arguments.front();
    context.arguments.assign(arguments.begin() + 1, arguments.end());
    for (const Command& command : kCommands) {
      if (name == command.name) {
        return command.run(context);
      }
    }
    return Usage("unknown command " + name);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
