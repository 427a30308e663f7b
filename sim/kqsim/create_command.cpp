// kqsim create and import: new keys, and key pairs put into their slots from PEM files.

#include <cstdio>

#include "kqsim/commands.h"
#include "softkey/atomic_file.h"
#include "softkey/key_maker.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

bool ReadNumberOption(const CommandLine& line, std::string_view option, uint32_t& out,
                      std::string& error) {
  const std::optional<std::string> text = line.value(option);
  if (!text) {
    return true;
  }
  const std::optional<uint32_t> n = ParseNumber(*text);
  if (!n) {
    error = std::string(option) + " needs a number";
    return false;
  }
  out = *n;
  return true;
}

// "SLOT:USAGE:PEMFILE"
std::optional<PreloadedKeyPair> ParseKeyOption(const std::string& text, std::string& error) {
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) {
    error = "--key wants SLOT:USAGE:PEMFILE";
    return std::nullopt;
  }
  const std::optional<uint32_t> slot = ParseNumber(text.substr(0, first));
  const std::optional<uint32_t> usage = ParseNumber(text.substr(first + 1, second - first - 1));
  const std::string file = text.substr(second + 1);
  const std::optional<std::string> pem = ReadFileText(file);
  if (!slot || !usage) {
    error = "--key wants numbers for SLOT and USAGE";
    return std::nullopt;
  }
  if (!pem) {
    error = "cannot read " + file;
    return std::nullopt;
  }
  PreloadedKeyPair pair;
  pair.slot = *slot;
  pair.usage = *usage;
  pair.pem = *pem;
  return pair;
}

}  // namespace

int CreateCommand(const CommandContext& context) {
  const CommandLine line(
      context.arguments,
      {"--name", "--family", "--serial", "--identity-tail", "--label", "--pin", "--tries",
       "--button", "--countdown", "--max-file", "--capacity", "--identity-block", "--key"},
      {"--strict-usage"});
  if (!line.ok()) {
    return Usage(line.error());
  }
  if (!line.positional().empty()) {
    return Usage("create takes options only");
  }
  KeySpec spec;
  spec.name = line.value("--name").value_or("");
  spec.family = line.value("--family").value_or(spec.family);
  spec.serial = line.value("--serial").value_or("");
  spec.identityTail = line.value("--identity-tail").value_or("");
  spec.label = line.value("--label").value_or(spec.label);
  spec.pin = line.value("--pin").value_or(spec.pin);
  spec.button = line.value("--button").value_or(spec.button);
  spec.strictUsage = line.flag("--strict-usage");
  std::string error;
  if (!ReadNumberOption(line, "--tries", spec.tries, error) ||
      !ReadNumberOption(line, "--countdown", spec.countdown, error) ||
      !ReadNumberOption(line, "--max-file", spec.maxFileSize, error) ||
      !ReadNumberOption(line, "--capacity", spec.capacity, error)) {
    return Usage(error);
  }
  if (const std::optional<std::string> file = line.value("--identity-block")) {
    std::optional<std::vector<uint8_t>> block = ReadFileBytes(*file);
    if (!block) {
      return Fail("cannot read " + *file);
    }
    spec.identityBlock = std::move(*block);
  }
  for (const std::string& text : line.values("--key")) {
    std::optional<PreloadedKeyPair> pair = ParseKeyOption(text, error);
    if (!pair) {
      return Fail(error);
    }
    spec.keyPairs.push_back(std::move(*pair));
  }
  const std::optional<std::filesystem::path> made = CreateKey(context.root, spec, error);
  if (!made) {
    return Fail(error);
  }
  std::printf("%s\n", made->filename().string().c_str());
  return 0;
}

int ImportCommand(const CommandContext& context) {
  const CommandLine line(context.arguments, {"--tag"}, {});
  if (!line.ok() || line.positional().size() != 4) {
    return Usage(line.ok() ? "import KEY SLOT USAGE PEMFILE" : line.error());
  }
  const std::optional<std::filesystem::path> key = NamedKey(context, line.positional()[0]);
  if (!key) {
    return 1;
  }
  std::string error;
  std::optional<PreloadedKeyPair> pair = ParseKeyOption(
      line.positional()[1] + ":" + line.positional()[2] + ":" + line.positional()[3], error);
  if (!pair) {
    return Fail(error);
  }
  pair->tag = line.value("--tag").value_or(pair->tag);
  const SoftKey softKey(*key);
  const platform::FileLock lock = softKey.Lock();
  if (!ImportKeyPair(softKey, *pair, error)) {
    return Fail(error);
  }
  return 0;
}

}  // namespace kq::sim
