// kqtool's results as JSON and text: the documented keys in their order, every status with its
// code, name and meaning from the system's tables, and the exit status that follows the results:
// 0 success, 1 failure (also a library that cannot be loaded), 2 a usage error that names the
// mistake.
#include <gtest/gtest.h>

#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

TEST(KqtoolArguments, UsageErrorsExitWithTwoAndALibraryThatDoesNotLoadWithOne) {
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
  EXPECT_NE(json["usage_error"].get<std::string>().find("--media-id"), std::string::npos);

  const Json failed = RunKqtoolJson({"--library", "/nonexistent/libkqcsp.so", "check"}, 1);
  ASSERT_EQ(failed["problems"].size(), 1u);
  EXPECT_NE(failed["problems"][0].get<std::string>().find("cannot load the provider library"),
            std::string::npos);
}

TEST_F(KqtoolWithKey, CheckReportsEachExportWithItsStatus) {
  const Json json = RunKqtoolJson({"check"}, 0);
  EXPECT_EQ(Keys(json), (std::vector<std::string>{"command", "ok", "calls", "problems"}));
  EXPECT_TRUE(json["ok"].get<bool>());
  ASSERT_EQ(json["calls"].size(), 3u);
  const char* functions[] = {"KQ_CheckDriver", "KQ_CheckCSP", "KQ_CheckDevice"};
  for (size_t i = 0; i < 3; ++i) {
    const Json& call = json["calls"][i];
    EXPECT_EQ(Keys(call), (std::vector<std::string>{"function", "ok", "status", "outputs"}));
    EXPECT_EQ(call["function"].get<std::string>(), functions[i]);
    EXPECT_EQ(Keys(call["status"]), (std::vector<std::string>{"code", "hex", "name", "meaning"}));
    EXPECT_EQ(call["status"]["hex"].get<std::string>(), "0x00000001");
    EXPECT_EQ(call["status"]["name"].get<std::string>(), "KQ_PRESENT");
  }
}

TEST_F(KqtoolWithKey, FailuresGiveTheirCodeByNameAndExitStatusOne) {
  const Json json = RunKqtoolJson({"id-value", "--media-id", "739999999999"}, 1);
  EXPECT_FALSE(json["ok"].get<bool>());
  const Json& call = json["calls"].at(0);
  EXPECT_EQ(call["function"].get<std::string>(), "KQ_GetIDValue");
  EXPECT_EQ(call["status"]["code"].get<double>(), 1103);
  EXPECT_EQ(call["status"]["name"].get<std::string>(), "KQ_MEDIA_ID_NOT_FOUND");
  EXPECT_FALSE(call["status"]["meaning"].get<std::string>().empty());
  const CommandResult text = RunKqtool({"id-value", "--media-id", "739999999999"});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_NE(text.out.find("KQ_GetIDValue FAILED: 1103 KQ_MEDIA_ID_NOT_FOUND: "), std::string::npos)
      << text.out;

  // A CryptoAPI step shows the last error by name; nothing runs after a failed acquisition.
  const Json csp = RunKqtoolJson({"csp", "--container", "no such container", "user-key"}, 1);
  ASSERT_EQ(csp["calls"].size(), 1u);
  EXPECT_EQ(Keys(csp["calls"][0]),
            (std::vector<std::string>{"function", "step", "ok", "status", "outputs"}));
  EXPECT_EQ(csp["calls"][0]["function"].get<std::string>(), "CPAcquireContext");
  EXPECT_EQ(csp["calls"][0]["status"]["name"].get<std::string>(), "NTE_BAD_KEYSET");
}

}  // namespace
}  // namespace kq::test
