#pragma once
// kqtool's --json output read with nlohmann's parser, which refuses anything that is not exactly
// one JSON value; objects keep their keys in the order kqtool printed them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "kqtool_process.h"

namespace kq::test {

using Json = nlohmann::ordered_json;

// The one JSON value of `text`; a discarded value, and a failed test, when it is anything else.
inline Json ParseJson(const std::string& text) {
  Json json = Json::parse(text, nullptr, false);
  EXPECT_FALSE(json.is_discarded()) << text;
  return json;
}

inline std::vector<std::string> Keys(const Json& object) {
  std::vector<std::string> keys;
  for (const auto& member : object.items()) {
    keys.push_back(member.key());
  }
  return keys;
}

// Runs `kqtool --json <arguments>`, checks its exit status and returns what it printed.
inline Json RunKqtoolJson(std::vector<std::string> arguments, int expectedExit) {
  arguments.insert(arguments.begin(), "--json");
  const ProgramRun run = RunKqtool(arguments);
  EXPECT_EQ(run.exitCode, expectedExit) << run.out << run.err;
  return ParseJson(run.out);
}

}  // namespace kq::test
