#include "command_line.h"

#include <charconv>

#include "common/utf.h"

namespace kq::cli {

namespace {
const OptionSpec* FindSpec(std::span<const OptionSpec> known, std::string_view name) {
  for (const OptionSpec& spec : known) {
    if (spec.name == name) {
      return &spec;
    }
  }
  return nullptr;
}
}  // namespace

std::optional<Arguments> Arguments::Parse(std::span<const std::string> tokens,
                                          std::span<const OptionSpec> known, std::string& error,
                                          size_t* firstWord) {
  Arguments args;
  if (firstWord != nullptr) {
    *firstWord = tokens.size();
  }
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    if (token.size() < 3 || token.compare(0, 2, "--") != 0) {
      if (firstWord != nullptr) {
        for (size_t word = i; word < tokens.size(); ++word) {
          if (!IsUtf8(tokens[word])) {
            error = "argument " + std::to_string(word + 1) + " is not valid UTF-8";
            return std::nullopt;
          }
        }
        *firstWord = i;
        args.positionals_.assign(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.end());
        return args;
      }
      if (!IsUtf8(token)) {
        error = "argument " + std::to_string(i + 1) + " is not valid UTF-8";
        return std::nullopt;
      }
      args.positionals_.push_back(token);
      continue;
    }
    std::string name = token.substr(2);
    std::optional<std::string> inlineValue;
    if (const size_t equals = name.find('='); equals != std::string::npos) {
      inlineValue = name.substr(equals + 1);
      name.resize(equals);
    }
    const OptionSpec* spec = FindSpec(known, name);
    if (spec == nullptr) {
      error = "unknown option --" + name;
      return std::nullopt;
    }
    std::string value;
    if (spec->takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < tokens.size()) {
        value = tokens[++i];
      } else {
        error = "option --" + name + " needs a value";
        return std::nullopt;
      }
    } else if (inlineValue) {
      error = "option --" + name + " takes no value";
      return std::nullopt;
    }
    // Text reaches the key in code page 936, converted from UTF-8: other bytes would arrive as
    // question marks in a request nobody typed.
    if (!IsUtf8(value)) {
      error = "option --" + name + " is not valid UTF-8";
      return std::nullopt;
    }
    if (!spec->repeatable && args.Has(name)) {
      error = "option --" + name + " given twice";
      return std::nullopt;
    }
    args.options_.emplace_back(std::move(name), std::move(value));
  }
  return args;
}

bool Arguments::Has(std::string_view name) const {
  return Value(name) != nullptr;
}

const std::string* Arguments::Value(std::string_view name) const {
  for (const auto& option : options_) {
    if (option.first == name) {
      return &option.second;
    }
  }
  return nullptr;
}

std::vector<std::string> Arguments::Values(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& option : options_) {
    if (option.first == name) {
      values.push_back(option.second);
    }
  }
  return values;
}

std::optional<uint64_t> ParseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || failure != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

bool NumberOption(const Arguments& args, std::string_view name, uint64_t maximum, uint64_t& value,
                  std::string& error) {
  const std::string* text = args.Value(name);
  if (text == nullptr) {
    return true;
  }
  const std::optional<uint64_t> number = ParseNumber(*text);
  if (!number || *number > maximum) {
    error = "option --" + std::string(name) + " needs a number up to " + std::to_string(maximum) +
            ", not \"" + *text + "\"";
    return false;
  }
  value = *number;
  return true;
}

}  // namespace kq::cli
