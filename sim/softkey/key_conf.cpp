#include "softkey/key_conf.h"

#include <span>

#include "common/text_trim.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {
std::string_view AsText(const std::vector<uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}
std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
}  // namespace

std::string FormatKeyState(const KeyState& s) {
  std::string text = "# soft key settings and PIN state (kqsim)\n";
  const auto line = [&text](std::string_view name, const std::string& value) {
    text.append(name).append("=").append(value).append("\n");
  };
  line("serial", HexEncode(s.serial));
  line("identity", HexEncode(s.identity));
  line("factory_label", HexEncode(s.factoryLabel));
  line("pin", HexEncode(AsBytes(s.pin)));
  line("initial_pin", HexEncode(AsBytes(s.initialPin)));
  line("tries_max", std::to_string(s.triesMax));
  line("tries_left", std::to_string(s.triesLeft));
  line("pin_verified", s.pinVerified ? "1" : "0");
  line("button", s.button);
  line("countdown", std::to_string(s.countdown));
  line("language", std::to_string(s.language));
  line("init_argument", std::to_string(s.initArgument));
  line("init_count", std::to_string(s.initCount));
  line("max_file_size", std::to_string(s.maxFileSize));
  line("capacity", std::to_string(s.capacity));
  if (s.strictUsage) {
    line("strict_usage", "1");
  }
  return text;
}

std::optional<KeyState> ParseKeyState(std::string_view text) {
  KeyState s;
  bool haveSerial = false;
  bool haveIdentity = false;
  bool havePin = false;
  for (const std::string_view rawLine : SplitFields(text, "\n")) {
    if (rawLine.front() == '#') {
      continue;
    }
    const size_t eq = rawLine.find('=');
    if (eq == std::string_view::npos) {
      return std::nullopt;
    }
    const std::string_view name = TrimBlanks(rawLine.substr(0, eq));
    const std::string_view value = TrimBlanks(rawLine.substr(eq + 1));
    const auto bytes = [&value](std::vector<uint8_t>& out) {
      std::optional<std::vector<uint8_t>> decoded = HexDecode(value);
      if (!decoded) {
        return false;
      }
      out = std::move(*decoded);
      return true;
    };
    const auto text32 = [&value](std::string& out) {
      std::optional<std::vector<uint8_t>> decoded = HexDecode(value);
      if (!decoded) {
        return false;
      }
      out.assign(AsText(*decoded));
      return true;
    };
    const auto number = [&value](uint32_t& out) {
      const std::optional<uint32_t> n = ParseNumber(value);
      if (!n) {
        return false;
      }
      out = *n;
      return true;
    };
    bool ok = true;
    if (name == "serial") {
      ok = bytes(s.serial) && s.serial.size() == kSerialSize;
      haveSerial = true;
    } else if (name == "identity") {
      ok = bytes(s.identity) && s.identity.size() == kSerialSize;
      haveIdentity = true;
    } else if (name == "factory_label") {
      ok = bytes(s.factoryLabel) && s.factoryLabel.size() <= kLabelSize;
    } else if (name == "pin") {
      ok = text32(s.pin);
      havePin = true;
    } else if (name == "initial_pin") {
      ok = text32(s.initialPin);
    } else if (name == "tries_max") {
      ok = number(s.triesMax) && s.triesMax >= 1 && s.triesMax <= 15;
    } else if (name == "tries_left") {
      ok = number(s.triesLeft);
    } else if (name == "pin_verified") {
      uint32_t flag = 0;
      ok = number(flag) && flag <= 1;
      s.pinVerified = flag == 1;
    } else if (name == "button") {
      s.button = std::string(value);
    } else if (name == "countdown") {
      ok = number(s.countdown) && s.countdown <= 0xFFFF;
    } else if (name == "language") {
      ok = number(s.language);
    } else if (name == "init_argument") {
      const std::optional<uint64_t> n = ParseNumber64(value);
      ok = n.has_value();
      s.initArgument = n.value_or(0);
    } else if (name == "init_count") {
      ok = number(s.initCount);
    } else if (name == "max_file_size") {
      ok = number(s.maxFileSize) && s.maxFileSize >= 1 && s.maxFileSize <= 0xFFFF;
    } else if (name == "capacity") {
      ok = number(s.capacity) && s.capacity <= 0xFFFF;
    } else if (name == "strict_usage") {
      uint32_t flag = 0;
      ok = number(flag) && flag <= 1;
      s.strictUsage = flag == 1;
    }
    if (!ok) {
      return std::nullopt;
    }
  }
  if (!haveSerial || !haveIdentity || !havePin) {
    return std::nullopt;
  }
  if (s.triesLeft > s.triesMax) {
    s.triesLeft = s.triesMax;
  }
  if (s.initialPin.empty()) {
    s.initialPin = s.pin;
  }
  return s;
}

}  // namespace kq::sim
