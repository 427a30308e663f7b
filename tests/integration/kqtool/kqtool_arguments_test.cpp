// kqtool's command line: a mistake is a usage error (exit status 2) that names it, also in JSON;
// a library that cannot be loaded is a failure (exit status 1).
#include <gtest/gtest.h>

#include "kqtool_process.h"

namespace kq::test {
namespace {

TEST(KqtoolArguments, UsageErrorsExitWithTwoAndNameTheMistake) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "usage: kqtool"},
      {{"frobnicate"}, "no command \"frobnicate\""},
      {{"--bogus", "check"}, "unknown or incomplete option --bogus"},
      {{"list", "--media-id", "a", "--media-id", "b"}, "option --media-id given twice"},
      {{"list", "--media-id=730000000001", "extra"}, "unexpected \"extra\""},
      {{"sign", "--subject", "CN=a", "--data-hex", "0g"}, "--data-hex is not hexadecimal"},
      {{"csp", "fly"}, "unknown csp step \"fly\""},
      {{"csp", "--flags", "0x1FFFFFFFF"}, "option --flags needs a number"},
  };
  for (const auto& [arguments, message] : cases) {
    const CommandResult run = RunKqtool(arguments);
    EXPECT_EQ(run.exitCode, 2) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const Json json = RunKqtoolJson({"list"}, 2);
  EXPECT_EQ(Keys(json), (std::vector<std::string>{"command", "ok", "usage_error"}));
  EXPECT_EQ(json["command"].get<std::string>(), "list");
  EXPECT_FALSE(json["ok"].get<bool>());
  EXPECT_NE(json["usage_error"].get<std::string>().find("--media-id"), std::string::npos);
}

TEST(KqtoolArguments, ALibraryThatDoesNotLoadIsAFailure) {
  const Json json = RunKqtoolJson({"--library", "/nonexistent/libkqcsp.so", "check"}, 1);
  EXPECT_FALSE(json["ok"].get<bool>());
  ASSERT_EQ(json["problems"].size(), 1u);
  EXPECT_NE(json["problems"][0].get<std::string>().find("cannot load the provider library"),
            std::string::npos);
}

}  // namespace
}  // namespace kq::test
