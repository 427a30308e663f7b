#include "kqsim/kqsim_arguments.h"

#include <algorithm>
#include <cstdio>

#include "softkey/soft_key.h"
#include "softkey/soft_key_root.h"

namespace kq::sim {

CommandLine::CommandLine(const std::vector<std::string>& arguments,
                         const std::vector<std::string_view>& valueOptions,
                         const std::vector<std::string_view>& flags) {
  const auto known = [](const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0 || argument == "--") {
      positional_.push_back(argument);
      continue;
    }
    const size_t eq = argument.find('=');
    const std::string name = argument.substr(0, eq);
    if (known(flags, name) && eq == std::string::npos) {
      flags_.push_back(name);
    } else if (known(valueOptions, name)) {
      if (eq != std::string::npos) {
        options_.emplace_back(name, argument.substr(eq + 1));
      } else if (i + 1 < arguments.size()) {
        options_.emplace_back(name, arguments[++i]);
      } else {
        error_ = name + " needs a value";
        return;
      }
    } else {
      error_ = "unknown option " + name;
      return;
    }
  }
}

std::optional<std::string> CommandLine::value(std::string_view option) const {
  std::optional<std::string> found;
  for (const auto& [name, text] : options_) {
    if (name == option) {
      found = text;  // the last one counts
    }
  }
  return found;
}

std::vector<std::string> CommandLine::values(std::string_view option) const {
  std::vector<std::string> found;
  for (const auto& [name, text] : options_) {
    if (name == option) {
      found.push_back(text);
    }
  }
  return found;
}

bool CommandLine::flag(std::string_view option) const {
  return std::find(flags_.begin(), flags_.end(), option) != flags_.end();
}

std::optional<std::filesystem::path> NamedKey(const CommandContext& context,
                                              const std::string& name) {
  std::optional<std::filesystem::path> key = FindKeyDirectory(context.root, name);
  if (!key) {
    std::fprintf(stderr, "kqsim: no key %s under %s\n", name.c_str(),
                 context.root.string().c_str());
  }
  return key;
}

int InspectNamedKey(const CommandContext& context, const std::string& usage,
                    const std::function<int(const SoftKey&)>& inspect) {
  if (context.arguments.size() != 1) {
    return Usage(usage);
  }
  const std::optional<std::filesystem::path> directory = NamedKey(context, context.arguments[0]);
  if (!directory) {
    return 1;
  }
  const SoftKey key(*directory);
  const platform::FileLock lock = key.Lock();
  return inspect(key);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kqsim: %s\n", message.c_str());
  return 1;
}

}  // namespace kq::sim
