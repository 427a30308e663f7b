#pragma once
// kqsim's command line: options ("--name value" or "--name=value", some repeatable), flags and
// the positional arguments left over, and the key a command names.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

class CommandLine {
 public:
  // `valueOptions` take a value; `flags` do not. Anything else starting with "--" is an error.
  CommandLine(const std::vector<std::string>& arguments,
              const std::vector<std::string_view>& valueOptions,
              const std::vector<std::string_view>& flags);

  [[nodiscard]] bool ok() const { return error_.empty(); }
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] std::optional<std::string> value(std::string_view option) const;
  [[nodiscard]] std::vector<std::string> values(std::string_view option) const;
  [[nodiscard]] bool flag(std::string_view option) const;
  [[nodiscard]] const std::vector<std::string>& positional() const { return positional_; }

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::vector<std::string> flags_;
  std::vector<std::string> positional_;
  std::string error_;
};

// The context every command runs in.
struct CommandContext {
  std::filesystem::path root;
  std::vector<std::string> arguments;  // after the command's name
};

// The key directory named by a command argument (name, reader index or reader name); prints an
// error and gives nothing when no such key is attached.
std::optional<std::filesystem::path> NamedKey(const CommandContext& context,
                                              const std::string& name);

class SoftKey;

// The opening of the commands that take one KEY argument and read the key: runs `inspect` on the
// named key while holding its lock. 2 with `usage` unless there is exactly one argument, 1 when
// no such key is attached, else what `inspect` returns.
int InspectNamedKey(const CommandContext& context, const std::string& usage,
                    const std::function<int(const SoftKey&)>& inspect);

int Fail(const std::string& message);   // prints "kqsim: message", returns 1
int Usage(const std::string& message);  // prints the message and the usage, returns 2

}  // namespace kq::sim
