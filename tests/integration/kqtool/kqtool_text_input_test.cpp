// kqtool refuses arguments and text files that are not UTF-8, before it reaches the key: a
// usage error (exit status 2) that names the option, with the key's files and counters untouched.
// Well-formed files (with a byte-order mark and CRLF line ends) are read one record a line.
#include "kqtool_key_fixture.h"
#include "support/temp_directory.h"

namespace kq::test {
namespace {

// "张三" in code page 936, as a tool of another encoding would pass it.
const std::string kCp936 = "CN=\xD5\xC5\xC8\xFD";

TEST_F(KqtoolWithKey, TextThatIsNotUtf8IsRefusedBeforeTheKeyIsReached) {
  const TempDirectory folder;
  const std::string records =
      folder.Write("records.txt", "CN=ok|RSA1024|SHA256|2\n" + kCp936 + "|RSA1024|SHA256|1\n")
          .string();
  const std::string subjects = folder.Write("subjects.txt", kCp936 + "\n").string();
  const struct {
    std::vector<std::string> arguments;
    std::string named;
  } cases[] = {
      {{"request", "--media-id", mediaId_, "--record", kCp936 + "|RSA1024|SHA256|2"}, "--record"},
      {{"request", "--media-id", mediaId_, "--record-file", records}, "--record-file"},
      {{"delete", "--media-id", mediaId_, "--subject=" + kCp936}, "--subject"},
      {{"delete", "--media-id", mediaId_, "--subject-file", subjects}, "--subject-file"},
      {{"list", "--media-id", "73\xFF"}, "--media-id"},
      {{"--library", "/tmp/\xC0\xAF", "list", "--media-id", mediaId_}, "--library"},
  };
  for (const auto& c : cases) {
    scene_.ClearCounters(key_);
    const auto files = scene_.KeyFiles(key_);
    const Json json = RunKqtoolJson(c.arguments, 2);
    const std::string error = json.value("usage_error", "");
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;
    // No call reached the key: its counters hold only the count of open handles, none.
    EXPECT_EQ(scene_.Counters(key_), sim::Counters({{sim::kHandlesOpenCounter, 0}})) << c.named;
    EXPECT_EQ(scene_.KeyFiles(key_).size(), files.size()) << c.named;
  }
  EXPECT_NE(RunKqtoolJson({"request", "--media-id", mediaId_, "--record-file", records}, 2)
                .value("usage_error", "")
                .find("line 2"),
            std::string::npos);
  // Well-formed: a byte-order mark, CRLF line ends and a blank line.
  const std::string good = folder
                               .Write("good.txt",
                                      "\xEF\xBB\xBF"
                                      "CN=\xE5\xBC\xA0\xE4\xB8\x89,T=S|RSA1024|SHA256|2\r\n\r\n"
                                      "CN=Li|RSA1024|SHA256|1\r\n")
                               .string();
  const Json json = RunKqtoolJson({"request", "--media-id", mediaId_, "--record-file", good}, 0);
  EXPECT_EQ(json["calls"][0]["outputs"]["requests_base64"].size(), 2U) << json.dump();
}

}  // namespace
}  // namespace kq::test
