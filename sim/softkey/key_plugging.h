#pragma once
// Pulling a key out of its reader and putting it back, as a user does: an unplugged key's
// directory waits under the root's hidden folder ".unplugged", where no reader lists it, and the
// keys after it move up one reader. A key pulled out loses its verified PIN.

#include <filesystem>
#include <string>
#include <string_view>

namespace kq::sim {

inline constexpr char kUnpluggedFolder[] = ".unplugged";

// Detaches the attached key named `key` (name, reader index or reader name); false with a reason.
bool UnplugKey(const std::filesystem::path& root, std::string_view key, std::string& error);
// Attaches again the unplugged key of that directory name; false with a reason.
bool PlugKey(const std::filesystem::path& root, std::string_view name, std::string& error);

// Runs steps "unplug:KEY" and "plug:NAME", comma-separated, in order; false at the first that
// fails (the steps before it stay done).
bool RunPlugSteps(const std::filesystem::path& root, std::string_view steps, std::string& error);

}  // namespace kq::sim
