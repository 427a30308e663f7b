#pragma once
// kqsim's commands; each takes its context and returns the exit status (0 done, 1 failed,
// 2 wrong usage).

#include "kqsim/kqsim_arguments.h"

namespace kq::sim {

int CreateCommand(const CommandContext& context);
int ImportCommand(const CommandContext& context);
int ListCommand(const CommandContext& context);
int ShowCommand(const CommandContext& context);
int FilesCommand(const CommandContext& context);
int ReadCommand(const CommandContext& context);
int CountersCommand(const CommandContext& context);
int PressCommand(const CommandContext& context);
int ButtonCommand(const CommandContext& context);
int PinCommand(const CommandContext& context);
int ResetCommand(const CommandContext& context);
int ReplugCommand(const CommandContext& context);
int RemoveCommand(const CommandContext& context);
int UnplugCommand(const CommandContext& context);
int PlugCommand(const CommandContext& context);
int FaultCommand(const CommandContext& context);
int RootCommand(const CommandContext& context);
int CancelWaitsCommand(const CommandContext& context);
int StoreCommand(const CommandContext& context);
int CheckCommand(const CommandContext& context);

}  // namespace kq::sim
