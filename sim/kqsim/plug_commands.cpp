// kqsim unplug and plug: pulling a key out of its reader and putting it back.

#include "kqsim/commands.h"
#include "softkey/key_plugging.h"

namespace kq::sim {

namespace {

template <typename Action>
int OnOneName(const CommandContext& context, const char* usage, Action action) {
  if (context.arguments.size() != 1) {
    return Usage(usage);
  }
  std::string error;
  return action(context.root, context.arguments[0], error) ? 0 : Fail(error);
}

}  // namespace

int UnplugCommand(const CommandContext& context) {
  return OnOneName(context, "unplug KEY", UnplugKey);
}

int PlugCommand(const CommandContext& context) {
  return OnOneName(context, "plug NAME", PlugKey);
}

}  // namespace kq::sim
