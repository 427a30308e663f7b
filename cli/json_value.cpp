#include "json_value.h"

#include <cstdio>

namespace kq::cli {

JsonObject& JsonObject::Set(std::string key, JsonValue value) {
  for (JsonMember& member : members_) {
    if (member.first == key) {
      member.second = std::move(value);
      return *this;
    }
  }
  members_.emplace_back(std::move(key), std::move(value));
  return *this;
}

const JsonValue* JsonObject::Find(std::string_view key) const {
  for (const JsonMember& member : members_) {
    if (member.first == key) {
      return &member.second;
    }
  }
  return nullptr;
}

namespace {

// Texts are UTF-8 and pass through; quotation marks, backslashes and control characters are
// escaped as JSON requires.
void AppendQuoted(std::string& out, const std::string& text) {
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

void AppendJson(std::string& out, const JsonValue& value, int depth) {
  const std::string inner(static_cast<size_t>(depth + 1) * 2, ' ');
  const std::string outer(static_cast<size_t>(depth) * 2, ' ');
  if (value.IsNull()) {
    out += "null";
  } else if (const bool* flag = value.AsBool()) {
    out += *flag ? "true" : "false";
  } else if (const int64_t* number = value.AsNumber()) {
    out += std::to_string(*number);
  } else if (const std::string* text = value.AsText()) {
    AppendQuoted(out, *text);
  } else if (const JsonList* list = value.AsList()) {
    if (list->empty()) {
      out += "[]";
      return;
    }
    out += "[\n";
    for (size_t i = 0; i < list->size(); ++i) {
      out += inner;
      AppendJson(out, (*list)[i], depth + 1);
      out += i + 1 < list->size() ? ",\n" : "\n";
    }
    out += outer + "]";
  } else if (const JsonObject* object = value.AsObject()) {
    if (object->empty()) {
      out += "{}";
      return;
    }
    out += "{\n";
    const auto& members = object->members();
    for (size_t i = 0; i < members.size(); ++i) {
      out += inner;
      AppendQuoted(out, members[i].first);
      out += ": ";
      AppendJson(out, members[i].second, depth + 1);
      out += i + 1 < members.size() ? ",\n" : "\n";
    }
    out += outer + "}";
  }
}

std::string Scalar(const JsonValue& value) {
  if (const std::string* text = value.AsText()) {
    return *text;
  }
  std::string out;
  AppendJson(out, value, 0);
  return out;
}

void AppendReadable(std::string& out, const std::string& key, const JsonValue& value, int indent);

void AppendReadableList(std::string& out, const JsonList& list, int indent) {
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  for (const JsonValue& item : list) {
    if (const JsonObject* object = item.AsObject()) {
      out += pad + "-\n";
      out += WriteReadable(*object, indent + 1);
    } else {
      out += pad + "- " + Scalar(item) + "\n";
    }
  }
}

void AppendReadable(std::string& out, const std::string& key, const JsonValue& value, int indent) {
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  if (const JsonList* list = value.AsList()) {
    out += pad + key + ":" + (list->empty() ? " (none)\n" : "\n");
    AppendReadableList(out, *list, indent + 1);
  } else if (const JsonObject* object = value.AsObject()) {
    out += pad + key + ":\n" + WriteReadable(*object, indent + 1);
  } else {
    out += pad + key + ": " + Scalar(value) + "\n";
  }
}

}  // namespace

std::string WriteJson(const JsonValue& value) {
  std::string out;
  AppendJson(out, value, 0);
  return out;
}

std::string WriteReadable(const JsonObject& object, int indent) {
  std::string out;
  for (const JsonMember& member : object.members()) {
    AppendReadable(out, member.first, member.second, indent);
  }
  return out;
}

}  // namespace kq::cli
