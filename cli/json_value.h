#pragma once
// The values kqtool reports: null, booleans, numbers, texts, lists and objects whose keys keep
// their order. They are written as JSON (--json) or as indented readable text.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kq::cli {

class JsonValue;
using JsonList = std::vector<JsonValue>;
using JsonMember = std::pair<std::string, JsonValue>;

class JsonObject {
 public:
  // Adds a member, or replaces the value of a member of that name.
  JsonObject& Set(std::string key, JsonValue value);
  [[nodiscard]] const JsonValue* Find(std::string_view key) const;
  [[nodiscard]] const std::vector<JsonMember>& members() const { return members_; }
  [[nodiscard]] bool empty() const { return members_.empty(); }

 private:
  std::vector<JsonMember> members_;
};

class JsonValue {
 public:
  JsonValue() = default;
  JsonValue(bool value) : value_(value) {}
  JsonValue(int value) : value_(static_cast<int64_t>(value)) {}
  JsonValue(int64_t value) : value_(value) {}
  JsonValue(uint32_t value) : value_(static_cast<int64_t>(value)) {}
  JsonValue(uint64_t value) : value_(static_cast<int64_t>(value)) {}
  JsonValue(const char* value) : value_(std::string(value)) {}
  JsonValue(std::string value) : value_(std::move(value)) {}
  JsonValue(std::string_view value) : value_(std::string(value)) {}
  JsonValue(JsonList value) : value_(std::move(value)) {}
  JsonValue(JsonObject value) : value_(std::move(value)) {}

  [[nodiscard]] bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  [[nodiscard]] const bool* AsBool() const { return std::get_if<bool>(&value_); }
  [[nodiscard]] const int64_t* AsNumber() const { return std::get_if<int64_t>(&value_); }
  [[nodiscard]] const std::string* AsText() const { return std::get_if<std::string>(&value_); }
  [[nodiscard]] const JsonList* AsList() const { return std::get_if<JsonList>(&value_); }
  [[nodiscard]] const JsonObject* AsObject() const { return std::get_if<JsonObject>(&value_); }

 private:
  std::variant<std::monostate, bool, int64_t, std::string, JsonList, JsonObject> value_;
};

// JSON text, indented by two blanks per level, ending without a newline.
std::string WriteJson(const JsonValue& value);

// Readable text: "key: value" lines, lists and objects indented below their key.
std::string WriteReadable(const JsonObject& object, int indent);

}  // namespace kq::cli
