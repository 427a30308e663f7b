#include "pin_input.h"

#include "platform/secret_prompt.h"

namespace kq::cli {

namespace {

constexpr size_t kLongestLine = 127;  // a line buffer that never grows, so never leaves a copy

constexpr char kHowToGivePins[] =
    "type it when asked (echo off), or give one PIN per line on standard input, with --pin-fd N "
    "or with --pin-file FILE";

// The source the PINs come from, kept open for the next PIN: a csp script's later set-pin steps
// and change-pin's new PIN take the lines after the first.
struct PinSource {
  std::string name;  // "fd:N", "file:PATH" or "stdin"
  int fd = -1;
  bool owned = false;
  ~PinSource() {
    if (owned) {
      ClosePinFile(fd);
    }
  }
};

PinSource gSource;

bool Select(const Arguments& args, std::string& error) {
  const std::string* fdText = args.Value("pin-fd");
  const std::string* file = args.Value("pin-file");
  if (fdText != nullptr && file != nullptr) {
    error = "give either --pin-fd or --pin-file";
    return false;
  }
  std::string name = "stdin";
  if (fdText != nullptr) {
    name = "fd:" + *fdText;
  } else if (file != nullptr) {
    name = "file:" + *file;
  }
  if (name == gSource.name) {
    return true;
  }
  if (gSource.owned) {
    ClosePinFile(gSource.fd);
  }
  gSource = {};
  int fd = 0;
  bool owned = false;
  if (fdText != nullptr) {
    const std::optional<uint64_t> number = ParseNumber(*fdText);
    if (!number || *number > 0x7FFFFFFF) {
      error = "--pin-fd needs a file descriptor number";
      return false;
    }
    fd = static_cast<int>(*number);
  } else if (file != nullptr) {
    fd = OpenPinFile(*file);
    owned = true;
    if (fd < 0) {
      error = "--pin-file " + *file + ": cannot be read";
      return false;
    }
  }
  gSource.name = std::move(name);
  gSource.fd = fd;
  gSource.owned = owned;
  return true;
}

// One line, read a byte at a time so the next line stays in the source for the next PIN.
std::optional<SecretString> ReadLine(std::string& error) {
  std::string line;
  line.reserve(kLongestLine + 1);
  bool any = false;
  char c = 0;
  while (ReadPinBytes(gSource.fd, &c, 1) == 1) {
    any = true;
    if (c == '\n') {
      break;
    }
    if (line.size() == kLongestLine) {
      SecretString discarded(std::move(line));
      error = "a PIN line is longer than " + std::to_string(kLongestLine) + " characters";
      return std::nullopt;
    }
    line.push_back(c);
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  SecretString pin(std::move(line));
  if (!any) {
    error = "the PIN input ended";
    return std::nullopt;
  }
  return pin;
}

}  // namespace

std::string RefusePinOnCommandLine(const Arguments& args, std::string_view option) {
  if (!args.Has(option)) {
    return {};
  }
  return "--" + std::string(option) +
         " is refused: a PIN on the command line can be read by every user of this computer; " +
         kHowToGivePins;
}

std::optional<SecretString> ReadPin(const Arguments& args, std::string_view prompt,
                                    std::string& error) {
  if (!Select(args, error)) {
    return std::nullopt;
  }
  std::optional<SecretString> pin;
  // A terminal, whether standard input or named by --pin-fd or --pin-file, is read with echo off.
  if (platform::IsTerminal(gSource.fd)) {
    pin = platform::ReadSecretLine(prompt, gSource.fd);
    if (!pin) {
      error = "no PIN was typed";
    }
  } else {
    pin = ReadLine(error);
  }
  if (pin && pin->empty()) {
    error = "an empty PIN line";
    return std::nullopt;
  }
  return pin;
}

}  // namespace kq::cli
