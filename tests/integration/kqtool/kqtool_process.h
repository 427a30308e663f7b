#pragma once
// Runs the built kqtool as a user would, with the test's environment, and reads its --json output
// with nlohmann's parser, which refuses anything that is not exactly one JSON value; objects keep
// their keys in the order kqtool printed them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_command.h"

namespace kq::test {

using Json = nlohmann::ordered_json;

inline std::string KqtoolPath() {
  return std::string(KQ_TEST_BIN_DIR) + "/kqtool";
}

inline CommandResult RunKqtool(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), KqtoolPath());
  return RunCommand(arguments);
}

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
  const CommandResult run = RunKqtool(arguments);
  EXPECT_EQ(run.exitCode, expectedExit) << run.out << run.err;
  return ParseJson(run.out);
}

}  // namespace kq::test
