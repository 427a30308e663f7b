#include "json_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "kqtool_process.h"

namespace kq::test {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<Json> Document() {
    std::optional<Json> value = Value(0);
    Blanks();
    if (!value || at_ != text_.size()) {
      return std::nullopt;
    }
    return value;
  }

 private:
  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
      ++at_;
    }
  }
  bool Take(char c) {
    Blanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) == word) {
      at_ += word.size();
      return true;
    }
    return false;
  }

  std::optional<std::string> String() {
    if (!Take('"')) {
      return std::nullopt;
    }
    std::string out;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') {
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        return std::nullopt;
      }
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (at_ >= text_.size()) {
        return std::nullopt;
      }
      // The escapes of one character, then \uXXXX (only ASCII is kept; kqtool writes no other).
      const char e = text_[at_++];
      static constexpr std::string_view kEscaped = "\"\\/nrtbf";
      static constexpr std::string_view kMeaning = "\"\\/\n\r\t\b\f";
      if (const size_t k = kEscaped.find(e); k != std::string_view::npos) {
        out.push_back(kMeaning[k]);
        continue;
      }
      const std::string hex(text_.substr(at_, 4));
      char* end = nullptr;
      const long code = std::strtol(hex.c_str(), &end, 16);
      if (e != 'u' || hex.size() != 4 || end != hex.c_str() + 4) {
        return std::nullopt;
      }
      at_ += 4;
      out.push_back(code < 0x80 ? static_cast<char>(code) : '?');
    }
    return std::nullopt;
  }

  std::optional<Json> Value(int depth) {
    Blanks();
    if (depth > 64 || at_ >= text_.size()) {
      return std::nullopt;
    }
    Json value;
    const char c = text_[at_];
    if (c == '{') {
      ++at_;
      value.kind = Json::Kind::kObject;
      if (Take('}')) {
        return value;
      }
      do {
        std::optional<std::string> key = String();
        if (!key || !Take(':')) {
          return std::nullopt;
        }
        std::optional<Json> member = Value(depth + 1);
        if (!member) {
          return std::nullopt;
        }
        value.members.emplace_back(std::move(*key), std::move(*member));
      } while (Take(','));
      return Take('}') ? std::optional<Json>(std::move(value)) : std::nullopt;
    }
    if (c == '[') {
      ++at_;
      value.kind = Json::Kind::kArray;
      if (Take(']')) {
        return value;
      }
      do {
        std::optional<Json> item = Value(depth + 1);
        if (!item) {
          return std::nullopt;
        }
        value.items.push_back(std::move(*item));
      } while (Take(','));
      return Take(']') ? std::optional<Json>(std::move(value)) : std::nullopt;
    }
    if (c == '"') {
      std::optional<std::string> text = String();
      if (!text) {
        return std::nullopt;
      }
      value.kind = Json::Kind::kString;
      value.text = std::move(*text);
      return value;
    }
    if (Word("true") || Word("false")) {
      value.kind = Json::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
      return value;
    }
    if (Word("null")) {
      return value;
    }
    const size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') {
      ++at_;
    }
    while (at_ < text_.size() &&
           ((text_[at_] >= '0' && text_[at_] <= '9') || text_[at_] == '.' || text_[at_] == 'e' ||
            text_[at_] == 'E' || text_[at_] == '+' || text_[at_] == '-')) {
      ++at_;
    }
    if (at_ == start) {
      return std::nullopt;
    }
    const std::string number(text_.substr(start, at_ - start));
    char* end = nullptr;
    value.kind = Json::Kind::kNumber;
    value.number = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size()) {
      return std::nullopt;
    }
    return value;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const Json& Json::operator[](std::string_view key) const {
  static const Json kNull;
  for (const auto& member : members) {
    if (member.first == key) {
      return member.second;
    }
  }
  return kNull;
}

std::vector<std::string> Json::Keys() const {
  std::vector<std::string> keys;
  for (const auto& member : members) {
    keys.push_back(member.first);
  }
  return keys;
}

std::optional<Json> ParseJson(std::string_view text) {
  return Reader(text).Document();
}

Json RunKqtoolJson(const std::vector<std::string>& arguments, int expectedExit) {
  std::vector<std::string> all = {"--json"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  const ProgramRun run = RunKqtool(all);
  EXPECT_EQ(run.exitStatus, expectedExit) << run.out << run.err;
  std::optional<Json> json = ParseJson(run.out);
  EXPECT_TRUE(json) << run.out << run.err;
  return json ? *json : Json{};
}

}  // namespace kq::test
