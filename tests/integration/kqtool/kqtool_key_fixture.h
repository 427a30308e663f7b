#pragma once
// kqtool run as a user would run it, with the test's environment, and its --json output read with
// nlohmann's parser, which refuses anything that is not exactly one JSON value (objects keep their
// keys in the order kqtool printed them); and a test's own world for kqtool, named in the
// environment that kqtool inherits: a soft-key root with one key, a UI log and wait directory, and
// a registry file that registers the built provider.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/softkey_scene.h"
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"

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

class KqtoolWithKey : public ::testing::Test {
 protected:
  void SetUp() override { scene_.SetPinAnswers("12345678"); }
  [[nodiscard]] std::string UiLog() const { return ReadText(ui_.logPath()); }

  SoftKeyScene scene_;
  const std::string key_ = scene_.AddKey();
  const std::string mediaId_ = scene_.MediaId(key_);
  UiLogCapture ui_;
  TempRegistry registry_{
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\"
      "Defaults\\Provider\\KQCSP For ORV v2.0]\n\"Image Path\"=\"" KQ_TEST_LIB_DIR
      "/libkqcsp.so\"\n\"Type\"=dword:00000001\n\"Signature\"=hex:00\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\n"
      "\"LanguageID\"=dword:00000409\n"};
};

}  // namespace kq::test
