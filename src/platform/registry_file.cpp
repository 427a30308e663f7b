#include "platform/registry_file.h"

#include <cstdint>
#include <optional>

#include "common/byte_reader.h"
#include "common/utf.h"
#include "platform/registry.h"

namespace kq::platform {

namespace {

constexpr std::u16string_view kWhitespace = u" \t";

char16_t FoldAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && RegistryNamesEqual(text.substr(0, prefix.size()), prefix);
}

std::u16string_view TrimLeft(std::u16string_view s) {
  const size_t first = s.find_first_not_of(kWhitespace);
  return first == std::u16string_view::npos ? std::u16string_view{} : s.substr(first);
}

std::u16string_view TrimRight(std::u16string_view s) {
  const size_t last = s.find_last_not_of(kWhitespace);
  return last == std::u16string_view::npos ? std::u16string_view{} : s.substr(0, last + 1);
}

std::u16string_view TrimBackslashes(std::u16string_view s) {
  while (!s.empty() && s.front() == u'\\') {
    s.remove_prefix(1);
  }
  while (!s.empty() && s.back() == u'\\') {
    s.remove_suffix(1);
  }
  return s;
}

// The file's text: UTF-16LE after its byte-order mark, else UTF-8 (with or without a mark).
std::u16string DecodeText(std::span<const uint8_t> bytes) {
  ByteReader reader(bytes);
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    (void)reader.skip(2);
    std::u16string text;
    text.reserve(reader.remaining() / 2);
    uint8_t lo = 0;
    uint8_t hi = 0;
    while (reader.u8(lo) && reader.u8(hi)) {
      text.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return text;  // an odd last byte is not a character and is dropped
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    (void)reader.skip(3);
  }
  const std::span<const uint8_t> rest = reader.rest();
  return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
}

// A quoted text with \\ and \" escapes, starting at s[0] == '"'. Returns the unescaped text and
// leaves `s` after the closing quote; nullopt when the quote is not closed.
std::optional<std::u16string> TakeQuoted(std::u16string_view& s) {
  if (s.empty() || s.front() != u'"') {
    return std::nullopt;
  }
  std::u16string out;
  size_t i = 1;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c == u'"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c == u'\\' && i + 1 < s.size()) {
      out.push_back(s[i + 1]);
      i += 2;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return std::nullopt;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  const char16_t u = FoldAscii(c);
  if (u >= u'A' && u <= u'F') {
    return u - u'A' + 10;
  }
  return -1;
}

// One to `maxDigits` hex digits and nothing else.
std::optional<uint32_t> ParseHexNumber(std::u16string_view s, size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (const char16_t c : s) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}

// "aa,bb, cc" (an empty list is an empty value).
std::optional<std::vector<uint8_t>> ParseHexBytes(std::u16string_view s) {
  std::vector<uint8_t> bytes;
  s = TrimRight(TrimLeft(s));
  while (!s.empty()) {
    const size_t comma = s.find(u',');
    const std::u16string_view token = TrimRight(TrimLeft(s.substr(0, comma)));
    const std::optional<uint32_t> byte = ParseHexNumber(token, 2);
    if (!byte) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<uint8_t>(*byte));
    if (comma == std::u16string_view::npos) {
      break;
    }
    s = TrimLeft(s.substr(comma + 1));
    if (s.empty()) {
      break;  // a trailing comma, as regedit writes before a line continuation
    }
  }
  return bytes;
}

std::vector<uint8_t> Utf16LeWithNul(std::u16string_view text) {
  std::vector<uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (const char16_t c : text) {
    data.push_back(static_cast<uint8_t>(c & 0xFF));
    data.push_back(static_cast<uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

enum class DataKind : uint8_t { kValue, kDelete, kInvalid };

// The data after '=': fills type and data.
DataKind ParseData(std::u16string_view s, uint32_t& type, std::vector<uint8_t>& data) {
  s = TrimRight(TrimLeft(s));
  if (s == u"-") {
    return DataKind::kDelete;
  }
  if (!s.empty() && s.front() == u'"') {
    std::optional<std::u16string> text = TakeQuoted(s);
    if (!text || !TrimLeft(s).empty()) {
      return DataKind::kInvalid;
    }
    type = kRegSz;
    data = Utf16LeWithNul(*text);
    return DataKind::kValue;
  }
  if (StartsWithNoCase(s, u"dword:")) {
    const std::optional<uint32_t> value = ParseHexNumber(s.substr(6), 8);
    if (!value) {
      return DataKind::kInvalid;
    }
    type = kRegDword;
    data = {static_cast<uint8_t>(*value), static_cast<uint8_t>(*value >> 8),
            static_cast<uint8_t>(*value >> 16), static_cast<uint8_t>(*value >> 24)};
    return DataKind::kValue;
  }
  if (StartsWithNoCase(s, u"hex:")) {
    type = kRegBinary;
    s.remove_prefix(4);
  } else if (StartsWithNoCase(s, u"hex(")) {
    const size_t close = s.find(u"):");
    if (close == std::u16string_view::npos) {
      return DataKind::kInvalid;
    }
    const std::optional<uint32_t> typed = ParseHexNumber(s.substr(4, close - 4), 8);
    if (!typed) {
      return DataKind::kInvalid;
    }
    type = *typed;
    s.remove_prefix(close + 2);
  } else {
    return DataKind::kInvalid;
  }
  std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(s);
  if (!bytes) {
    return DataKind::kInvalid;
  }
  data = std::move(*bytes);
  return DataKind::kValue;
}

// The section's path below HKEY_LOCAL_MACHINE, or nullopt for another root.
std::optional<std::u16string_view> LocalMachinePath(std::u16string_view section) {
  const size_t slash = section.find(u'\\');
  const std::u16string_view root = section.substr(0, slash);
  if (!RegistryNamesEqual(root, u"HKEY_LOCAL_MACHINE") && !RegistryNamesEqual(root, u"HKLM")) {
    return std::nullopt;
  }
  if (slash == std::u16string_view::npos) {
    return std::u16string_view{};
  }
  return TrimBackslashes(section.substr(slash + 1));
}

// Splits at LF, dropping a CR before it.
std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find(u'\n');
    std::u16string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == u'\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    if (end == std::u16string_view::npos) {
      break;
    }
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

bool RegistryNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

RegistryFile RegistryFile::Parse(std::span<const uint8_t> bytes) {
  RegistryFile file;
  file.ParseText(DecodeText(bytes));
  return file;
}

void RegistryFile::ParseText(std::u16string_view text) {
  const std::vector<std::u16string_view> lines = SplitLines(text);
  constexpr size_t kNoSection = SIZE_MAX;
  size_t current = kNoSection;  // index into keys_ of the open section
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string_view line = TrimLeft(lines[i]);
    if (line.empty() || line.front() == u';') {
      continue;
    }
    if (line.front() == u'[') {
      const size_t close = line.rfind(u']');
      current = kNoSection;
      if (close == std::u16string_view::npos || close < 2 || line[1] == u'-') {
        continue;  // malformed, or a key deletion: its values are not ours to keep
      }
      const std::optional<std::u16string_view> path = LocalMachinePath(line.substr(1, close - 1));
      if (!path) {
        continue;
      }
      const RegistryFileKey* existing = FindKey(*path);
      if (existing == nullptr) {
        keys_.push_back(RegistryFileKey{std::u16string(*path), {}});
        current = keys_.size() - 1;
      } else {
        current = static_cast<size_t>(existing - keys_.data());
      }
      continue;
    }
    if (current == kNoSection || (line.front() != u'"' && line.front() != u'@')) {
      continue;
    }
    std::u16string_view rest = line;
    std::u16string name;
    if (rest.front() == u'@') {
      rest.remove_prefix(1);
    } else {
      std::optional<std::u16string> quoted = TakeQuoted(rest);
      if (!quoted) {
        continue;
      }
      name = std::move(*quoted);
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != u'=') {
      continue;
    }
    rest.remove_prefix(1);
    // Binary data continues over lines that end with a backslash.
    std::u16string joined;
    if (StartsWithNoCase(TrimLeft(rest), u"hex")) {
      joined = std::u16string(TrimRight(rest));
      while (!joined.empty() && joined.back() == u'\\' && i + 1 < lines.size()) {
        joined.pop_back();
        joined += TrimRight(TrimLeft(lines[++i]));
      }
      rest = joined;
    }
    uint32_t type = 0;
    std::vector<uint8_t> data;
    const DataKind kind = ParseData(rest, type, data);
    if (kind == DataKind::kInvalid) {
      continue;
    }
    std::vector<RegistryFileValue>& values = keys_[current].values;
    std::erase_if(values,
                  [&](const RegistryFileValue& v) { return RegistryNamesEqual(v.name, name); });
    if (kind == DataKind::kValue) {
      values.push_back(RegistryFileValue{std::move(name), type, std::move(data)});
    }
  }
}

const RegistryFileKey* RegistryFile::FindKey(std::u16string_view path) const {
  path = TrimBackslashes(path);
  for (const RegistryFileKey& key : keys_) {
    if (RegistryNamesEqual(key.path, path)) {
      return &key;
    }
  }
  return nullptr;
}

bool RegistryFile::KeyExists(std::u16string_view path) const {
  path = TrimBackslashes(path);
  if (path.empty()) {
    return true;  // HKEY_LOCAL_MACHINE itself
  }
  for (const RegistryFileKey& key : keys_) {
    const std::u16string_view candidate = key.path;
    if (RegistryNamesEqual(candidate, path) ||
        (candidate.size() > path.size() && candidate[path.size()] == u'\\' &&
         RegistryNamesEqual(candidate.substr(0, path.size()), path))) {
      return true;
    }
  }
  return false;
}

const RegistryFileValue* RegistryFile::FindValue(std::u16string_view path,
                                                 std::u16string_view name) const {
  const RegistryFileKey* key = FindKey(path);
  if (key == nullptr) {
    return nullptr;
  }
  for (const RegistryFileValue& value : key->values) {
    if (RegistryNamesEqual(value.name, name)) {
      return &value;
    }
  }
  return nullptr;
}

}  // namespace kq::platform
