#pragma once
// A small JSON reader for checking kqtool's --json output: it accepts exactly the JSON grammar
// (objects, arrays, strings with escapes, numbers, true, false, null) and refuses anything else,
// so a test fails on output that another JSON reader would refuse.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::test {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in order

  // The member of an object, or a null value.
  [[nodiscard]] const Json& operator[](std::string_view key) const;
  [[nodiscard]] std::vector<std::string> Keys() const;
};

// The whole text must be one JSON value (blanks around it allowed).
std::optional<Json> ParseJson(std::string_view text);

// Runs `kqtool --json <arguments>`, checks its exit status and that it printed one JSON value,
// and returns that value (null when it did not).
Json RunKqtoolJson(const std::vector<std::string>& arguments, int expectedExit);

}  // namespace kq::test
