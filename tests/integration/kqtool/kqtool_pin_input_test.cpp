// kqtool takes no PIN on its command line, where every local user can read it: a PIN given there
// is a usage error that says how to give it, and nothing reaches the key. PINs come one a line
// from standard input, a file descriptor or a file.
#include "kqtool_key_fixture.h"
#include "support/temp_directory.h"

namespace kq::test {
namespace {

Json RunWithInput(std::vector<std::string> arguments, const std::string& input, int exitCode) {
  arguments.insert(arguments.begin(), {KqtoolPath(), "--json"});
  const CommandResult run = RunCommand(arguments, input);
  EXPECT_EQ(run.exitCode, exitCode) << run.out << run.err;
  return ParseJson(run.out);
}

TEST_F(KqtoolWithKey, APinOnTheCommandLineIsRefusedWithWordsOnHowToGiveIt) {
  const struct {
    std::vector<std::string> arguments;
    std::string option;
  } cases[] = {
      {{"change-pin", "--media-id", mediaId_, "--old", "12345678", "--new", "87654321"}, "--old"},
      {{"change-pin", "--media-id", mediaId_, "--new=87654321"}, "--new"},
      {{"csp", "--verify-context", "set-pin", "--pin", "12345678"}, "--pin"},
  };
  for (const auto& c : cases) {
    scene_.ClearCounters(key_);
    const std::string error = RunWithInput(c.arguments, "", 2).value("usage_error", "");
    EXPECT_NE(error.find(c.option + " is refused"), std::string::npos) << error;
    EXPECT_NE(error.find("--pin-file FILE"), std::string::npos) << error;
    EXPECT_TRUE(scene_.Counters(key_).empty()) << c.option;
  }
  EXPECT_EQ(scene_.State(key_).pin, "12345678");
}

TEST_F(KqtoolWithKey, PinsComeOneALineFromStandardInputADescriptorOrAFile) {
  const TempDirectory folder;
  const std::string file = folder.Write("pins.txt", "87654321\r\n11112222\n").string();
  const struct {
    std::vector<std::string> arguments;
    std::string input;
    std::string pinAfter;
  } cases[] = {
      {{"change-pin", "--media-id", mediaId_}, "12345678\n87654321\n", "87654321"},
      {{"change-pin", "--media-id", mediaId_, "--pin-file", file}, "", "11112222"},
      {{"change-pin", "--media-id", mediaId_, "--pin-fd", "0"}, "11112222\n12345678", "12345678"},
  };
  for (const auto& c : cases) {
    const Json json = RunWithInput(c.arguments, c.input, 0);
    EXPECT_EQ(json["calls"][0]["status"]["code"].get<double>(), 0) << json.dump();
    EXPECT_EQ(scene_.State(key_).pin, c.pinAfter);
  }
  // Input that ends before the new PIN: a usage error, and the key is not reached.
  scene_.ClearCounters(key_);
  const std::string error = RunWithInput({"change-pin", "--media-id", mediaId_}, "12345678\n", 2)
                                .value("usage_error", "");
  EXPECT_NE(error.find("ended"), std::string::npos) << error;
  EXPECT_TRUE(scene_.Counters(key_).empty());

  // The steps of one csp script take the lines in turn: the second PIN is too short.
  const Json csp =
      RunWithInput({"csp", "--verify-context", "set-pin", "set-pin"}, "12345678\n1234\n", 1);
  ASSERT_EQ(csp["calls"].size(), 4u) << csp.dump();
  EXPECT_TRUE(csp["calls"][1]["ok"].get<bool>()) << csp.dump();
  EXPECT_EQ(csp["calls"][2]["status"]["code"].get<double>(), 0x8010002A) << csp.dump();
}

}  // namespace
}  // namespace kq::test
