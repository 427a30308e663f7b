// The provider with a device library that is not the soft key: a stand-in of the same file name,
// first on LD_LIBRARY_PATH, must be the one it uses, and key generation, signatures and
// certification requests must work from what the published device interface promises, closing
// every handle they open. openssl checks the results with the stand-in's fixed key pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "kqtool_process.h"
#include "support/openssl_command.h"
#include "support/scoped_env.h"

namespace kq::test {
namespace {

class StandInDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::pair<const char*, std::optional<std::string>> variables[] = {
        {"LD_LIBRARY_PATH", std::string(KQ_STANDIN_DEVICE_DIR) + ":" + KQ_TEST_LIB_DIR},
        {"STANDIN_LOG", dir_.File("calls.log")},
        {"STANDIN_RSA_DIR", std::string(KQ_TEST_DATA_DIR) + "/softkey"},
        {"KQSIM_PIN", "12345678"},
        {"KQSIM_ROOT", dir_.File("softkeys")},
        {"KQCSP_UI_LOG", dir_.File("ui.log")},
        {"KQCSP_RUN_DIR", dir_.File("run")},
        {"KQCSP_REGISTRY", dir_.File("none.reg")},
        {"KQCSP_NOTIFY_SOCKET", std::nullopt},
    };
    for (const auto& [name, value] : variables) {
      env_.push_back(std::make_unique<ScopedEnv>(name, value));
    }
  }

  // The stand-in's call log: the provider used it, and closed every handle it opened.
  void ExpectUsedAndClosed() {
    std::ifstream file(dir_.File("calls.log"));
    std::vector<std::string> calls;
    for (std::string line; std::getline(file, line);) {
      calls.push_back(line);
    }
    ASSERT_FALSE(calls.empty()) << "the provider did not call the stand-in";
    const auto count = [&calls](const char* line) {
      return std::count(calls.begin(), calls.end(), line);
    };
    EXPECT_GT(count("ZANT_OpenDev 0x0"), 0);
    EXPECT_EQ(count("ZANT_OpenDev 0x0"), count("ZANT_CloseDev 0x0"));
    std::filesystem::remove(dir_.File("calls.log"));
  }

  TempDirectory dir_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  const std::string pair_ = std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem";
};

TEST_F(StandInDevice, GeneratesSignsAndRequestsForOpenssl) {
  const std::string signature = dir_.File("signature");
  RunKqtoolJson({"csp", "--container", "contract", "--new", "genkey", "--spec", "signature",
                 "sign-hash", "--alg", "sha1", "--data", "abc", "--spec", "signature",
                 "--out-reversed", signature, "verify"},
                0);
  ExpectUsedAndClosed();
  std::ofstream(dir_.File("data")) << "abc";
  const CommandResult check =
      RunOpenssl({"dgst", "-sha1", "-prverify", pair_, "-signature", signature, dir_.File("data")});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;

  const std::string out = dir_.File("requests");
  std::filesystem::create_directory(out);
  RunKqtoolJson({"request", "--media-id", "7301STANDIN0", "--record",
                 " CN=Contract Test , O=Bank |RSA1024|SHA256|1", "--out-dir", out},
                0);
  ExpectUsedAndClosed();
  const CommandResult request = RunOpenssl({"req", "-inform", "DER", "-in", out + "/request-1.der",
                                            "-verify", "-noout", "-subject", "-pubkey"});
  EXPECT_EQ(request.exitCode, 0) << request.err;
  EXPECT_NE(request.out.find("CN = Contract Test, O = Bank"), std::string::npos) << request.out;
  const CommandResult expectedKey = RunOpenssl({"pkey", "-in", pair_, "-pubout"});
  EXPECT_NE(request.out.find(expectedKey.out), std::string::npos) << request.out;
}

TEST_F(StandInDevice, TheDeviceLibraryIsFoundByNameOnly) {
  // The provider alone in a folder: nothing of the device library's name on its search path.
  const std::filesystem::path alone = dir_.File("alone");
  std::filesystem::create_directory(alone);
  std::filesystem::copy_file(std::string(KQ_TEST_LIB_DIR) + "/libkqcsp.so", alone / "libkqcsp.so");
  ScopedEnv path("LD_LIBRARY_PATH", (alone / "nothing").string());
  const Json json = RunKqtoolJson({"--library", (alone / "libkqcsp.so").string(), "media-ids"}, 1);
  // 4002: the device library is missing.
  EXPECT_EQ(json["calls"].at(0)["status"]["code"].get<double>(), 4002);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("calls.log")));
}

}  // namespace
}  // namespace kq::test
