#pragma once
// The arguments of one command: options ("--name value" or "--name=value", or a flag "--name")
// and positional words, checked against the options the command knows. A mistake is a usage
// error (exit status 2) with a message that names it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::cli {

struct OptionSpec {
  std::string_view name;  // without the leading "--"
  bool takesValue = true;
  bool repeatable = false;
};

class Arguments {
 public:
  // Parses tokens against the known options; nothing (and `error` set) on a mistake. With
  // `firstWord` set, parsing stops at the first positional word, whose index is stored there
  // (tokens.size() when there is none); that word and all after it become the positionals.
  static std::optional<Arguments> Parse(std::span<const std::string> tokens,
                                        std::span<const OptionSpec> known, std::string& error,
                                        size_t* firstWord = nullptr);

  [[nodiscard]] bool Has(std::string_view name) const;
  // The value of an option given once; null when it was not given.
  [[nodiscard]] const std::string* Value(std::string_view name) const;
  [[nodiscard]] std::vector<std::string> Values(std::string_view name) const;
  [[nodiscard]] const std::vector<std::string>& positionals() const { return positionals_; }

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::vector<std::string> positionals_;
};

// Numbers as a C programmer writes them: decimal, or hexadecimal with 0x.
std::optional<uint64_t> ParseNumber(std::string_view text);

// Reads an option's number into `value`; false (with `error`) when it is given but not a number
// or larger than `maximum`.
bool NumberOption(const Arguments& args, std::string_view name, uint64_t maximum, uint64_t& value,
                  std::string& error);

}  // namespace kq::cli
