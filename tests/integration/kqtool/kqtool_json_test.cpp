// kqtool's results as JSON: the documented keys in their order, every status with its code,
// name and meaning from the system's tables, and the exit status that follows the results.
#include <gtest/gtest.h>

#include "json_reader.h"
#include "kqtool_key_fixture.h"

namespace kq::test {
namespace {

const std::vector<std::string> kReportKeys = {"command", "ok", "calls", "problems"};
const std::vector<std::string> kCallKeys = {"function", "ok", "status", "outputs"};
const std::vector<std::string> kStatusKeys = {"code", "hex", "name", "meaning"};

TEST_F(KqtoolWithKey, CheckReportsEachExportWithItsStatus) {
  const Json json = RunKqtoolJson({"check"}, 0);
  EXPECT_EQ(Keys(json), kReportKeys);
  EXPECT_EQ(json["command"].get<std::string>(), "check");
  EXPECT_TRUE(json["ok"].get<bool>());
  const Json& calls = json["calls"];
  ASSERT_EQ(calls.size(), 3u);
  const char* functions[] = {"KQ_CheckDriver", "KQ_CheckCSP", "KQ_CheckDevice"};
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(functions[i]);
    EXPECT_EQ(Keys(calls[i]), kCallKeys);
    EXPECT_EQ(calls[i]["function"].get<std::string>(), functions[i]);
    EXPECT_TRUE(calls[i]["ok"].get<bool>());
    EXPECT_EQ(Keys(calls[i]["status"]), kStatusKeys);
    EXPECT_EQ(calls[i]["status"]["code"].get<double>(), 1);
    EXPECT_EQ(calls[i]["status"]["hex"].get<std::string>(), "0x00000001");
    EXPECT_EQ(calls[i]["status"]["name"].get<std::string>(), "KQ_PRESENT");
    EXPECT_TRUE(calls[i]["outputs"]["present"].get<bool>());
  }
}

TEST_F(KqtoolWithKey, ListingsGiveTheKeyAndTheProviderName) {
  const Json ids = RunKqtoolJson({"media-ids", "--family", "73"}, 0);
  EXPECT_EQ(mediaId_.size(), 12u);
  EXPECT_EQ(mediaId_.substr(0, 2), "73");
  EXPECT_EQ(ids["calls"].at(0)["outputs"]["family"].get<std::string>(), "73");

  const Json none = RunKqtoolJson({"media-ids", "--family", "72"}, 1);
  EXPECT_EQ(none["calls"].at(0)["status"]["code"].get<double>(), 101);
  EXPECT_EQ(none["calls"].at(0)["status"]["name"].get<std::string>(), "KQ_NO_DEVICE");

  const Json count = RunKqtoolJson({"count"}, 0);
  EXPECT_EQ(count["calls"].at(0)["outputs"]["count"].get<double>(), 1);

  const Json name = RunKqtoolJson({"csp-name"}, 0);
  EXPECT_EQ(name["calls"].at(0)["outputs"]["provider_name"].get<std::string>(),
            "KQCSP For ORV v2.0");
}

TEST_F(KqtoolWithKey, AFailedExportGivesItsOwnCodeAndExitStatusOne) {
  const Json json = RunKqtoolJson({"id-value", "--media-id", "739999999999"}, 1);
  EXPECT_FALSE(json["ok"].get<bool>());
  const Json& call = json["calls"].at(0);
  EXPECT_EQ(call["function"].get<std::string>(), "KQ_GetIDValue");
  EXPECT_FALSE(call["ok"].get<bool>());
  EXPECT_EQ(call["status"]["code"].get<double>(), 1103);
  EXPECT_EQ(call["status"]["name"].get<std::string>(), "KQ_MEDIA_ID_NOT_FOUND");
  EXPECT_FALSE(call["status"]["meaning"].get<std::string>().empty());
}

TEST_F(KqtoolWithKey, ACryptoApiFailureShowsTheLastErrorByName) {
  const Json json = RunKqtoolJson({"csp", "--container", "no such container", "user-key"}, 1);
  const Json& call = json["calls"].at(0);
  EXPECT_EQ(Keys(call), (std::vector<std::string>{"function", "step", "ok", "status", "outputs"}));
  EXPECT_EQ(call["function"].get<std::string>(), "CPAcquireContext");
  EXPECT_EQ(call["step"].get<std::string>(), "acquire");
  EXPECT_EQ(call["status"]["hex"].get<std::string>(), "0x80090016");
  EXPECT_EQ(call["status"]["name"].get<std::string>(), "NTE_BAD_KEYSET");
  // The steps after a failed acquisition are not run, and nothing is left to release.
  EXPECT_EQ(json["calls"].size(), 1u);
}

TEST_F(KqtoolWithKey, CspParametersAndAlgorithmsAsJson) {
  const Json json =
      RunKqtoolJson({"csp", "--verify-context", "param", "--name", "name", "algs"}, 0);
  const Json& calls = json["calls"];
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0]["function"].get<std::string>(), "CPAcquireContext");
  const Json& name = calls[2];  // the size query comes first
  EXPECT_EQ(name["outputs"]["value"].get<std::string>(), "KQCSP For ORV v2.0");
  const Json& algs = calls[3];
  EXPECT_TRUE(algs["ok"].get<bool>());
  EXPECT_EQ(algs["status"]["name"].get<std::string>(), "ERROR_NO_MORE_ITEMS");
  EXPECT_EQ(algs["outputs"]["algorithms"].size(), 10u);
  EXPECT_EQ(calls.back()["function"].get<std::string>(), "CPReleaseContext");
}

TEST_F(KqtoolWithKey, TextOutputNamesEveryCode) {
  const ProgramRun run = RunKqtool({"id-value", "--media-id", "739999999999"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("KQ_GetIDValue FAILED: 1103 KQ_MEDIA_ID_NOT_FOUND: "), std::string::npos)
      << run.out;
}

}  // namespace
}  // namespace kq::test
