// kqsim list, show, files, read, counters and root: what the keys hold.

#include <cstdio>

#include "kqsim/commands.h"
#include "softkey/call_counters.h"
#include "softkey/root_lock.h"
#include "softkey/soft_key.h"
#include "softkey/soft_key_root.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

// Printable ASCII as it stands, anything else in hex.
std::string Readable(const std::vector<uint8_t>& bytes) {
  for (const uint8_t b : bytes) {
    if (b < 0x20 || b > 0x7E) {
      return "hex " + HexEncode(bytes);
    }
  }
  return std::string(bytes.begin(), bytes.end());
}

std::string Readable(const std::string& text) {
  return Readable(std::vector<uint8_t>(text.begin(), text.end()));
}

void PrintHexDump(const std::vector<uint8_t>& bytes) {
  for (size_t offset = 0; offset < bytes.size(); offset += 16) {
    std::printf("  %04zX ", offset);
    std::string ascii;
    for (size_t i = offset; i < offset + 16 && i < bytes.size(); ++i) {
      std::printf(" %02X", bytes[i]);
      ascii.push_back(bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.');
    }
    for (size_t i = bytes.size(); i < offset + 16; ++i) {
      std::printf("   ");
    }
    std::printf("  %s\n", ascii.c_str());
  }
}

std::vector<uint8_t> LabelOf(const SoftKey& key) {
  std::vector<uint8_t> label = key.ReadFile(kLabelFile).value_or(std::vector<uint8_t>{});
  while (!label.empty() && label.back() == 0) {
    label.pop_back();
  }
  return label;
}

void PrintCounters(const Counters& counters) {
  for (const auto& [name, value] : counters) {
    std::printf("%-24s %lld\n", name.c_str(), static_cast<long long>(value));
  }
}

// Everything kqsim knows of one key: its state, slots, files and call counters.
int ShowKey(const SoftKey& key) {
  const std::optional<KeyState> state = key.LoadState();
  if (!state) {
    return Fail("cannot read " + (key.directory() / "key.conf").string());
  }
  const KeyState& s = *state;
  std::printf("key         %s\n", key.name().c_str());
  std::printf("directory   %s\n", key.directory().string().c_str());
  std::printf("serial      %s\n", Readable(s.serial).c_str());
  std::printf("identity    %s\n", Readable(s.identity).c_str());
  std::printf("label       %s\n", Readable(LabelOf(key)).c_str());
  std::printf("pin         %s (initial %s)\n", Readable(s.pin).c_str(),
              Readable(s.initialPin).c_str());
  std::printf("tries       %u of %u left%s\n", s.triesLeft, s.triesMax,
              s.triesLeft == 0 ? " (locked)" : "");
  std::printf("verified    %s\n", s.pinVerified ? "yes" : "no");
  std::printf("button      %s (countdown %u tenths)\n", s.button.c_str(), s.countdown);
  std::printf("language    %u\n", s.language);
  std::printf("initialised %u times (last argument %llu)\n", s.initCount,
              static_cast<unsigned long long>(s.initArgument));
  std::printf("space       largest file %u, capacity %u, used %u\n", s.maxFileSize, s.capacity,
              key.UsedSpace());
  for (uint32_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::optional<SlotInfo> info = key.ReadSlot(slot);
    if (info) {
      std::printf("slot %u      %s, usage option %u (device usage %u), tag %s\n", slot,
                  std::string(KeyAlgorithmName(info->algorithm)).c_str(), info->usage,
                  info->usage + 1, info->tag.c_str());
    } else {
      std::printf("slot %u      empty\n", slot);
    }
  }
  for (const KeyFileInfo& file : key.ListFiles()) {
    std::printf("file %04X   %u bytes, flag %u\n", file.id, file.size, file.flag);
  }
  PrintCounters(ReadCounters(key.directory()));
  return 0;
}

}  // namespace

int ListCommand(const CommandContext& context) {
  if (!context.arguments.empty()) {
    return Usage("list takes no arguments");
  }
  const std::vector<std::filesystem::path> keys = ListKeyDirectories(context.root);
  for (size_t i = 0; i < keys.size(); ++i) {
    const SoftKey key(keys[i]);
    const platform::FileLock lock = key.Lock();
    const std::optional<KeyState> state = key.LoadState();
    std::printf("%zu\t%s\t%s\t%s\t%s\n", i, ReaderName(i).c_str(), key.name().c_str(),
                state ? Readable(state->serial).c_str() : "(unreadable)",
                Readable(LabelOf(key)).c_str());
  }
  return 0;
}

int ShowCommand(const CommandContext& context) {
  return InspectNamedKey(context, "show KEY", ShowKey);
}

int FilesCommand(const CommandContext& context) {
  return InspectNamedKey(context, "files KEY", [](const SoftKey& key) {
    for (const KeyFileInfo& file : key.ListFiles()) {
      std::printf("file %04X (%u bytes, flag %u)\n", file.id, file.size, file.flag);
      PrintHexDump(key.ReadFile(file.id).value_or(std::vector<uint8_t>{}));
    }
    return 0;
  });
}

int ReadCommand(const CommandContext& context) {
  const CommandLine line(context.arguments, {}, {"--raw"});
  if (!line.ok() || line.positional().size() != 2) {
    return Usage(line.ok() ? "read KEY FILEID" : line.error());
  }
  const std::optional<std::filesystem::path> directory = NamedKey(context, line.positional()[0]);
  if (!directory) {
    return 1;
  }
  const std::optional<uint32_t> id = ParseNumber("0x" + line.positional()[1]);
  if (!id || *id > 0xFFFF) {
    return Usage("FILEID is four hex digits, as D001");
  }
  const SoftKey key(*directory);
  const platform::FileLock lock = key.Lock();
  const std::optional<std::vector<uint8_t>> content = key.ReadFile(*id);
  if (!content) {
    return Fail("no file " + line.positional()[1]);
  }
  if (line.flag("--raw")) {
    std::fwrite(content->data(), 1, content->size(), stdout);
  } else {
    std::printf("%s\n", HexEncode(*content).c_str());
  }
  return 0;
}

int CountersCommand(const CommandContext& context) {
  const CommandLine line(context.arguments, {}, {"--clear"});
  if (!line.ok() || line.positional().size() != 1) {
    return Usage(line.ok() ? "counters KEY|root [--clear]" : line.error());
  }
  std::filesystem::path directory = context.root;
  if (line.positional()[0] != "root") {
    const std::optional<std::filesystem::path> key = NamedKey(context, line.positional()[0]);
    if (!key) {
      return 1;
    }
    directory = *key;
  }
  const platform::FileLock lock =
      directory == context.root ? LockRoot(directory) : LockKey(directory);
  if (line.flag("--clear")) {
    return ClearCounters(directory) ? 0 : Fail("cannot clear the counters");
  }
  PrintCounters(ReadCounters(directory));
  return 0;
}

int RootCommand(const CommandContext& context) {
  if (!context.arguments.empty()) {
    return Usage("root takes no arguments");
  }
  std::printf("%s\n", context.root.string().c_str());
  return 0;
}

}  // namespace kq::sim
