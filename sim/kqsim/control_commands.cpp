// kqsim press, button, pin, reset, replug, remove and fault: acting on keys from outside.

#include <cstdio>

#include "kqsim/commands.h"
#include "platform/exit_request.h"
#include "softkey/fault_plan.h"
#include "softkey/key_maker.h"
#include "softkey/root_lock.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

// Runs `action` on the key named by the first argument, when there is exactly `count` of them.
template <typename Action>
int OnKey(const CommandContext& context, size_t count, const char* usage, Action action) {
  if (context.arguments.size() != count) {
    return Usage(usage);
  }
  const std::optional<std::filesystem::path> directory = NamedKey(context, context.arguments[0]);
  if (!directory) {
    return 1;
  }
  return action(SoftKey(*directory));
}

}  // namespace

int PressCommand(const CommandContext& context) {
  return OnKey(context, 2, "press KEY ok|cancel", [&](const SoftKey& key) {
    const std::optional<ButtonPress> press = ParseButtonPress(context.arguments[1]);
    if (!press) {
      return Usage("press KEY ok|cancel");
    }
    return PressButton(key, *press) ? 0 : Fail("cannot press the button");
  });
}

int ButtonCommand(const CommandContext& context) {
  return OnKey(context, 2, "button KEY POLICY", [&](const SoftKey& key) {
    std::string error;
    return SetButtonPolicy(key, context.arguments[1], error) ? 0 : Fail(error);
  });
}

int PinCommand(const CommandContext& context) {
  const CommandLine line(context.arguments, {"--tries-left", "--verified"}, {});
  if (!line.ok() || line.positional().size() != 1) {
    return Usage(line.ok() ? "pin KEY [--tries-left N] [--verified 0|1]" : line.error());
  }
  const std::optional<std::filesystem::path> directory = NamedKey(context, line.positional()[0]);
  if (!directory) {
    return 1;
  }
  std::optional<uint32_t> triesLeft;
  std::optional<bool> verified;
  if (const std::optional<std::string> text = line.value("--tries-left")) {
    triesLeft = ParseNumber(*text);
    if (!triesLeft) {
      return Usage("--tries-left needs a number");
    }
  }
  if (const std::optional<std::string> text = line.value("--verified")) {
    if (*text != "0" && *text != "1") {
      return Usage("--verified is 0 or 1");
    }
    verified = *text == "1";
  }
  return SetPinState(SoftKey(*directory), triesLeft, verified) ? 0 : Fail("cannot set the PIN");
}

int ResetCommand(const CommandContext& context) {
  return OnKey(context, 1, "reset KEY",
               [](const SoftKey& key) { return ResetKey(key) ? 0 : Fail("cannot reset the key"); });
}

int ReplugCommand(const CommandContext& context) {
  return OnKey(context, 1, "replug KEY", [](const SoftKey& key) {
    return ReplugKey(key) ? 0 : Fail("cannot replug the key");
  });
}

int RemoveCommand(const CommandContext& context) {
  return OnKey(context, 1, "remove KEY", [](const SoftKey& key) {
    return RemoveKey(key) ? 0 : Fail("cannot remove the key");
  });
}

int FaultCommand(const CommandContext& context) {
  if (context.arguments.empty()) {
    return Usage("fault list | clear | add OP:N[+]:STATUS...");
  }
  const std::string& action = context.arguments[0];
  std::error_code error;
  std::filesystem::create_directories(context.root, error);
  const platform::FileLock lock = LockRoot(context.root);
  std::vector<FaultEntry> plan = ReadRootFaultPlan(context.root);
  if (action == "list" && context.arguments.size() == 1) {
    std::fputs(FormatFaultPlan(plan).c_str(), stdout);
    return 0;
  }
  if (action == "clear" && context.arguments.size() == 1) {
    return WriteRootFaultPlan(context.root, {}) ? 0 : Fail("cannot clear the fault plan");
  }
  if (action == "add" && context.arguments.size() > 1) {
    for (size_t i = 1; i < context.arguments.size(); ++i) {
      const std::optional<std::vector<FaultEntry>> entries = ParseFaultPlan(context.arguments[i]);
      if (!entries) {
        return Usage("a fault is OP:N[+]:STATUS, as ReadFile:2:0x6A82");
      }
      plan.insert(plan.end(), entries->begin(), entries->end());
    }
    return WriteRootFaultPlan(context.root, plan) ? 0 : Fail("cannot write the fault plan");
  }
  return Usage("fault list | clear | add OP:N[+]:STATUS...");
}

}  // namespace kq::sim

namespace kq::sim {

int CancelWaitsCommand(const CommandContext& context) {
  if (!context.arguments.empty()) {
    return Usage("cancel-waits takes no arguments");
  }
  // The exit request ends every open confirmation wait of this user as cancelled.
  const int reached = platform::SendExitRequestToAllWaits();
  std::printf("%d\n", reached);
  return 0;
}

}  // namespace kq::sim
