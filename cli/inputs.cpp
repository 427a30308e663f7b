#include "inputs.h"

#include <cstdio>

#include "byte_text.h"
#include "common/utf.h"
#include "text_list.h"

namespace kq::cli {

const OptionSpec kDataOptions[4] = {{"data"}, {"data-hex"}, {"data-file"}, {"transaction"}};

std::optional<std::vector<uint8_t>> ReadData(const Arguments& args, std::string& error) {
  int given = 0;
  for (const OptionSpec& spec : kDataOptions) {
    given += args.Has(spec.name) ? 1 : 0;
  }
  if (given != 1) {
    error = "give the data with one of --data, --data-hex, --data-file or --transaction";
    return std::nullopt;
  }
  if (const std::string* text = args.Value("data")) {
    const auto bytes = AsBytes(*text);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  if (const std::string* hex = args.Value("data-hex")) {
    std::optional<std::vector<uint8_t>> bytes = ParseHex(*hex);
    if (!bytes) {
      error = "--data-hex is not hexadecimal";
    }
    return bytes;
  }
  if (const std::string* path = args.Value("data-file")) {
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(*path);
    if (!bytes) {
      error = "cannot read " + *path;
    }
    return bytes;
  }
  const std::optional<std::string> message = TransactionMessage(*args.Value("transaction"));
  if (!message) {
    error = "--transaction needs \"FIRST|SECOND|THIRD\" with a first field of 4 bytes";
    return std::nullopt;
  }
  const auto bytes = AsBytes(*message);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::optional<std::vector<std::string>> ReadTextLines(const Arguments& args,
                                                      std::string_view option, std::string& error) {
  std::vector<std::string> lines;
  const std::string* path = args.Value(option);
  if (path == nullptr) {
    return lines;
  }
  const std::string named = "--" + std::string(option) + " " + *path;
  const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(*path);
  if (!bytes) {
    error = "cannot read " + named;
    return std::nullopt;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  if (text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  }
  size_t number = 0;
  for (std::string line : SplitList(text, "\n")) {
    ++number;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (!IsUtf8(line)) {
      error = named + ": line " + std::to_string(number) + " is not valid UTF-8";
      return std::nullopt;
    }
    if (!line.empty()) {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

namespace {
std::string Field(std::string_view tag, std::string_view value) {
  char length[24];
  std::snprintf(length, sizeof length, "%016zu", value.size());
  return std::string(tag) + length + std::string(value);
}
}  // namespace

std::optional<std::string> TransactionMessage(std::string_view first, std::string_view second,
                                              std::string_view third) {
  if (first.size() != 4) {
    return std::nullopt;
  }
  return Field("02", first) + Field("01", second) + Field("00", third);
}

std::optional<std::string> TransactionMessage(std::string_view fields) {
  const size_t one = fields.find('|');
  const size_t two = one == std::string_view::npos ? one : fields.find('|', one + 1);
  if (two == std::string_view::npos) {
    return std::nullopt;
  }
  return TransactionMessage(fields.substr(0, one), fields.substr(one + 1, two - one - 1),
                            fields.substr(two + 1));
}

bool FamilyFlag(const Arguments& args, uint8_t& flag, std::string& error) {
  const std::string* family = args.Value("family");
  if (family == nullptr || *family == "73") {
    flag = 1;
    return true;
  }
  if (*family == "72") {
    flag = 0;
    return true;
  }
  error = "--family is 73 or 72";
  return false;
}

}  // namespace kq::cli
