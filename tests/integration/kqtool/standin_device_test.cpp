// The provider with a device library that is not the soft key: a stand-in of the same file name,
// first on LD_LIBRARY_PATH, must be the one it uses, and a certification request (a key pair
// generated on the key, the request signed there) must work from what the published device
// interface promises, closing every handle it opens. openssl checks the request and that it
// carries the stand-in's fixed key pair.
#include <gtest/gtest.h>

#include <filesystem>

#include "kqtool_key_fixture.h"
#include "support/openssl_command.h"

namespace kq::test {
namespace {

class StandInDevice : public ::testing::Test {
 protected:
  TempDirectory dir_;
  const std::string log_ = dir_.File("calls.log");
  const std::string pair_ = std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem";
  ScopedEnv path_{"LD_LIBRARY_PATH", std::string(KQ_STANDIN_DEVICE_DIR) + ":" + KQ_TEST_LIB_DIR};
  ScopedEnv logEnv_{"STANDIN_LOG", log_};
  ScopedEnv pairs_{"STANDIN_RSA_DIR", std::string(KQ_TEST_DATA_DIR) + "/softkey"};
  ScopedEnv pin_{"KQSIM_PIN", "12345678"};
  ScopedEnv notify_{"KQCSP_NOTIFY_SOCKET", std::nullopt};
  UiLogCapture ui_;
  TempRegistry registry_;
};

TEST_F(StandInDevice, KeyGeneratedAndSignedOnTheStandInMakesARequestForOpenssl) {
  RunKqtoolJson({"request", "--media-id", "7301STANDIN0", "--record",
                 " CN=Contract Test , O=Bank |RSA1024|SHA256|1", "--out-dir", dir_.path().string()},
                0);
  // The stand-in's call log: the provider used it, and closed every handle it opened.
  const std::string calls = ReadText(log_);
  const auto count = [&calls](const std::string& line) {
    size_t n = 0;
    for (size_t at = calls.find(line); at != std::string::npos; at = calls.find(line, at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_GT(count("ZANT_GenerateRSAKey 0x6100\n"), 0u) << calls;
  EXPECT_EQ(count("ZANT_OpenDev 0x0\n"), count("ZANT_CloseDev 0x0\n")) << calls;
  const CommandResult request =
      RunOpenssl({"req", "-inform", "DER", "-in", dir_.File("request-1.der"), "-verify", "-noout",
                  "-subject", "-pubkey"});
  EXPECT_EQ(request.exitCode, 0) << request.err;
  EXPECT_NE(request.out.find("CN = Contract Test, O = Bank"), std::string::npos) << request.out;
  EXPECT_NE(request.out.find(RunOpenssl({"pkey", "-in", pair_, "-pubout"}).out), std::string::npos)
      << request.out;
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
  EXPECT_FALSE(std::filesystem::exists(log_));
}

}  // namespace
}  // namespace kq::test
