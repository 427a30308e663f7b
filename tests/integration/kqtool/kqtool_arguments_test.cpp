// kqtool's command line: every mistake is a usage error (exit status 2) that names it, also in
// JSON; a library that cannot be loaded is a failure (exit status 1).
#include <gtest/gtest.h>

#include "json_reader.h"
#include "kqtool_process.h"

namespace kq::test {
namespace {

TEST(KqtoolArguments, UsageErrorsExitWithTwoAndNameTheMistake) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{}, "usage: kqtool"},
      {{"frobnicate"}, "no command \"frobnicate\""},
      {{"--bogus", "check"}, "unknown or incomplete option --bogus"},
      {{"--library"}, "unknown or incomplete option --library"},
      {{"list"}, "list needs --media-id ID"},
      {{"list", "--media-id"}, "option --media-id needs a value"},
      {{"list", "--media-id", "a", "--media-id", "b"}, "option --media-id given twice"},
      {{"list", "--media-id=730000000001", "extra"}, "unexpected \"extra\""},
      {{"check", "sideways"}, "check takes one of"},
      {{"count", "--family", "74"}, "--family is 73 or 72"},
      {{"count", "--nofamily"}, "unknown option --nofamily"},
      {{"init", "--argument", "-1"}, "option --argument needs a number"},
      {{"table"}, "table needs one function"},
      {{"table", "identity"}, "table identity needs --reader NAME"},
      {{"table", "language", "--reader", "r", "--media-id", "730000000001", "--language", "x1"},
       "option --language needs a number"},
      {{"sign", "--subject", "CN=a"}, "give the data with one of"},
      {{"sign", "--subject", "CN=a", "--data", "x", "--data-hex", "00"},
       "give the data with one of"},
      {{"sign", "--subject", "CN=a", "--transaction", "12|a|b"}, "first field of 4 bytes"},
      {{"sign", "--subject", "CN=a", "--data-hex", "0g"}, "--data-hex is not hexadecimal"},
      {{"request", "--media-id", "730000000001"}, "request needs --media-id ID and either"},
      {{"csp", "fly"}, "unknown csp step \"fly\""},
      {{"csp", "hash", "--alg", "crc32"}, "--alg is md5, sha1"},
      {{"csp", "user-key", "--spec"}, "user-key: option --spec needs a value"},
      {{"csp", "user-key", "--bits", "1024"}, "user-key: unknown option --bits"},
      {{"csp", "--flags", "0x1FFFFFFFF"}, "option --flags needs a number"},
      {{"help", "nothing"}, "no command \"nothing\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun run = RunKqtool(c.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(KqtoolArguments, JsonUsageErrorIsAnObjectWithTheMessage) {
  const ProgramRun run = RunKqtool({"--json", "list"});
  EXPECT_EQ(run.exitCode, 2);
  const Json json = ParseJson(run.out);
  EXPECT_EQ(Keys(json), (std::vector<std::string>{"command", "ok", "usage_error"}));
  EXPECT_EQ(json["command"].get<std::string>(), "list");
  EXPECT_FALSE(json["ok"].get<bool>());
  EXPECT_NE(json["usage_error"].get<std::string>().find("--media-id"), std::string::npos);
}

TEST(KqtoolArguments, ALibraryThatDoesNotLoadIsAFailure) {
  const ProgramRun run = RunKqtool({"--json", "--library", "/nonexistent/libkqcsp.so", "check"});
  EXPECT_EQ(run.exitCode, 1);
  const Json json = ParseJson(run.out);
  EXPECT_FALSE(json["ok"].get<bool>());
  ASSERT_EQ(json["problems"].size(), 1u);
  EXPECT_NE(json["problems"][0].get<std::string>().find("cannot load the provider library"),
            std::string::npos);
}

}  // namespace
}  // namespace kq::test
