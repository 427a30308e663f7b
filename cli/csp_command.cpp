// `kqtool csp`: opens a context through CPAcquireContext and runs a small script of steps in the
// same process, as one CryptoAPI call sequence:
//   kqtool csp --container NAME user-key sign-hash --alg sha256 --data-file F verify
#include <array>

#include "byte_text.h"
#include "command.h"
#include "csp_session.h"
#include "inputs.h"

namespace kq::cli {

namespace {

const CspStep* FindStep(std::string_view name) {
  for (const auto steps : {CspKeySteps(), CspHashSteps(), CspParameterSteps()}) {
    for (const CspStep& step : steps) {
      if (step.name == name) {
        return &step;
      }
    }
  }
  return nullptr;
}

const OptionSpec* FindOption(std::span<const OptionSpec> options, std::string_view token) {
  const std::string_view name = token.substr(2, token.find('=') - 2);
  for (const OptionSpec& option : options) {
    if (option.name == name) {
      return &option;
    }
  }
  return nullptr;
}

// Option values mean the same in every step; they are checked before the context is acquired, so
// a mistake is a usage error and never a half-run script.
std::string CheckOptionValues(const Arguments& args) {
  if (const std::string* alg = args.Value("alg"); alg != nullptr && !HashAlgorithmId(*alg)) {
    return "--alg is md5, sha1, sha256, sha384, sha512, ssl3-shamd5 or an ALG_ID";
  }
  if (const std::string* spec = args.Value("spec"); spec != nullptr && !KeySpec(*spec)) {
    return "--spec is signature, exchange or a number";
  }
  for (const char* name : {"hex", "data-hex", "signature-hex"}) {
    if (const std::string* hex = args.Value(name); hex != nullptr && !ParseHex(*hex)) {
      return std::string("--") + name + " is not hexadecimal";
    }
  }
  if (const std::string* fields = args.Value("transaction");
      fields != nullptr && !TransactionMessage(*fields)) {
    return "--transaction needs \"FIRST|SECOND|THIRD\" with a first field of 4 bytes";
  }
  std::string error;
  uint64_t ignored = 0;
  for (const auto& [name, maximum] : {std::pair<const char*, uint64_t>{"bits", 0xFFFF},
                                      {"key-flags", UINT32_MAX},
                                      {"length", 4096}}) {
    if (!NumberOption(args, name, maximum, ignored, error)) {
      return error;
    }
  }
  return {};
}

struct ParsedStep {
  const CspStep* step;
  Arguments args;
};

// Splits the words after the context's options into steps, each followed by its own options.
std::string ParseSteps(std::span<const std::string> words, std::vector<ParsedStep>& steps) {
  size_t i = 0;
  while (i < words.size()) {
    const CspStep* step = FindStep(words[i]);
    if (step == nullptr) {
      return "unknown csp step \"" + words[i] + "\" (kqtool help csp lists the steps)";
    }
    size_t end = i + 1;
    while (end < words.size() && words[end].size() > 2 && words[end].compare(0, 2, "--") == 0) {
      const OptionSpec* option = FindOption(step->options, words[end]);
      const bool inlineValue = words[end].find('=') != std::string::npos;
      end += option != nullptr && option->takesValue && !inlineValue ? 2 : 1;
    }
    end = std::min(end, words.size());
    std::string error;
    std::optional<Arguments> args =
        Arguments::Parse(words.subspan(i + 1, end - i - 1), step->options, error);
    if (!args) {
      return std::string(step->name) + ": " + error;
    }
    if (!args->positionals().empty()) {
      return std::string(step->name) + ": unexpected \"" + args->positionals()[0] + "\"";
    }
    if (std::string valueError = CheckOptionValues(*args); !valueError.empty()) {
      return std::string(step->name) + ": " + valueError;
    }
    steps.push_back({step, std::move(*args)});
    i = end;
  }
  return {};
}

constexpr uint32_t kNewKeyset = 0x8;
constexpr uint32_t kDeleteKeyset = 0x10;
constexpr uint32_t kMachineKeyset = 0x20;
constexpr uint32_t kSilent = 0x40;
constexpr uint32_t kVerifyContext = 0xF0000000;

std::string Csp(Context& context, const Arguments& args, Report& report) {
  uint64_t flags = 0;
  std::string error;
  if (!NumberOption(args, "flags", UINT32_MAX, flags, error)) {
    return error;
  }
  const std::array<std::pair<const char*, uint32_t>, 5> named = {
      {{"new", kNewKeyset},
       {"delete", kDeleteKeyset},
       {"machine", kMachineKeyset},
       {"silent", kSilent},
       {"verify-context", kVerifyContext}}};
  for (const auto& [name, bit] : named) {
    flags |= args.Has(name) ? bit : 0;
  }
  std::vector<ParsedStep> steps;
  if (std::string stepError = ParseSteps(args.positionals(), steps); !stepError.empty()) {
    return stepError;
  }
  const ProviderExports& api = context.api();
  if (!HasExport(api.CPAcquireContext, "CPAcquireContext", report) ||
      !HasExport(api.CPReleaseContext, "CPReleaseContext", report)) {
    return {};
  }
  CspSession session(*context.provider, report);
  report.set_step("acquire");
  if (!session.Acquire(args.Value("container"), static_cast<uint32_t>(flags))) {
    return {};
  }
  for (const ParsedStep& step : steps) {
    report.set_step(std::string(step.step->name));
    if (std::string stepError = step.step->run(session, step.args); !stepError.empty()) {
      return stepError;
    }
    if (session.failed) {
      break;  // later steps build on this one
    }
  }
  session.Release();
  return {};
}

constexpr OptionSpec kCsp[] = {
    {"container"},      {"flags"},         {"new", false},           {"delete", false},
    {"machine", false}, {"silent", false}, {"verify-context", false}};

constexpr CommandSpec kCommands[] = {
    {"csp", "[--container NAME] [--flags N] [--new|--delete|--verify-context] [--silent] STEP...",
     "CryptoAPI entry points: CPAcquireContext, then the steps, then CPReleaseContext", kCsp, Csp,
     true, true},
};

}  // namespace

std::span<const CommandSpec> CspCommands() {
  return kCommands;
}

// The steps with their options, for `kqtool help csp`.
std::string CspStepHelp() {
  std::string text;
  for (const auto steps : {CspKeySteps(), CspHashSteps(), CspParameterSteps()}) {
    for (const CspStep& step : steps) {
      text += "  " + std::string(step.name) + " " + std::string(step.synopsis) + "\n";
    }
  }
  return text;
}

}  // namespace kq::cli
