// The provider and the tool exports with a device library that is not the soft key: a stand-in
// of the same file name, first on LD_LIBRARY_PATH, must be the one they use, and everything they
// do must work from what the published device interface promises.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "standin_scene.h"

namespace kq::contract {
namespace {

using Fields = std::vector<std::string>;

size_t CountLines(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
}

// Every handle the stand-in gave out was closed again.
void ExpectHandlesClosed(const StandInScene& scene) {
  const std::vector<std::string> calls = scene.Calls();
  EXPECT_EQ(CountLines(calls, "ZANT_OpenDev 0x0"), CountLines(calls, "ZANT_CloseDev 0x0"));
}

TEST(StandInDevice, VerifyContextEnumeratesTheLibraryFirstOnTheSearchPath) {
  StandInScene scene;
  const ChildResult run = scene.Probe({"verify"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("acquire"), (Fields{"1", "0"}));
  EXPECT_EQ(run.Step("handle"), (Fields{"1"}));
  EXPECT_EQ(run.Step("random"), (Fields{"1", "0"}));
  EXPECT_EQ(run.Step("name-text"), (Fields{"KQCSP", "For", "ORV", "v2.0"}));
  EXPECT_EQ(run.Step("release"), (Fields{"1", "0"}));
  const std::vector<std::string> calls = scene.Calls();
  ASSERT_FALSE(calls.empty()) << "the provider did not call the stand-in";
  EXPECT_EQ(calls.front(), "ZANT_EnumDev 0x0");
  ExpectHandlesClosed(scene);
}

TEST(StandInDevice, WithoutTheStandInFirstTheSoftKeyAnswers) {
  StandInScene scene;
  scene.env()["LD_LIBRARY_PATH"] = KQ_TEST_LIB_DIR;
  const ChildResult run = scene.Probe({"check"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // The soft-key root of the scene is empty: no key, and the stand-in never ran.
  EXPECT_EQ(run.Step("check").at(0), "0");
  EXPECT_TRUE(scene.Calls().empty());
}

TEST(StandInDevice, CheckExportsSeeTheStandInKeys) {
  StandInScene scene;
  scene.env()["STANDIN_KEYS"] = "7301AAAABBBB0001:A;7201CCCCDDDD0002:B;7301EEEEFFFF0003:C";
  const ChildResult run = scene.Probe({"check"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("check"), (Fields{"1", "-"}));
  EXPECT_EQ(run.Step("listnum"), (Fields{"2"}));
  EXPECT_EQ(run.Step("mediaid"), (Fields{"0", "26", "7301AAAABBBB|7301EEEEFFFF"}));
  ExpectHandlesClosed(scene);
}

TEST(StandInDevice, NoKeyIsReportedInCodePage936) {
  StandInScene scene;
  scene.env()["STANDIN_KEYS"] = "";
  const ChildResult run = scene.Probe({"check"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // "没有找到设备" in code page 936.
  EXPECT_EQ(run.Step("check"), (Fields{"0", "c3bbd3d0d5d2b5bdc9e8b1b8"}));
  EXPECT_EQ(run.Step("listnum"), (Fields{"0"}));
  EXPECT_EQ(run.Step("mediaid").at(0), "65");  // 101: no key attached
}

TEST(StandInDevice, ProviderWithoutAnyDeviceLibraryFailsCleanly) {
  // The provider alone in a folder, nothing of the device library's name on the search path.
  StandInScene scene;
  test::TempDirectory alone;
  const std::filesystem::path provider = alone.path() / "libkqcsp.so";
  std::filesystem::copy_file(ProviderPath(), provider);
  scene.env()["LD_LIBRARY_PATH"] = (alone.path() / "nothing").string();
  ChildResult run = scene.Probe({"check"}, provider.string());
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  // "枚举设备失败" in code page 936; 4002: the device library is missing.
  EXPECT_EQ(run.Step("check"), (Fields{"0", "c3b6bed9c9e8b1b8caa7b0dc"}));
  EXPECT_EQ(run.Step("listnum"), (Fields{"0"}));
  EXPECT_EQ(run.Step("mediaid").at(0), "FA2");
  run = scene.Probe({"verify"}, provider.string());
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("release"), (Fields{"1", "0"}));
}

TEST(StandInDevice, VerifyContextWithoutAnyKeySucceeds) {
  StandInScene scene;
  scene.env()["STANDIN_KEYS"] = "";
  const ChildResult run = scene.Probe({"verify"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("acquire"), (Fields{"1", "0"}));
  EXPECT_EQ(run.Step("release"), (Fields{"1", "0"}));
}

TEST(StandInDevice, InitialisationWaitsForTheButtonAndTellsTheToolWindow) {
  StandInScene scene;
  const ChildResult run = scene.Probe({"init", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("init"), (Fields{"0"}));
  // The wait starts at 0, then shows each new number of seconds the key reports (60, 59, 58).
  const std::string head = "WAIT 3 Init USBKey,please confirm\t";
  EXPECT_EQ(scene.UiLogText(),
            head + "0\n" + head + "60\n" + head + "59\n" + head + "58\n" + "WAITEND 3 1\n");
  EXPECT_EQ(scene.Datagrams(), (std::vector<std::string>{"KQ_ORV_INITUSBKEYMSGID 0 0\n"}));
  ExpectHandlesClosed(scene);
}

TEST(StandInDevice, WaitResultsBecomeTheExportsStatuses) {
  struct Case {
    const char* button;
    std::vector<std::string> args;
    const char* step;
    const char* status;
    const char* waitEnd;
  };
  const Case cases[] = {
      {"cancel", {"init", "-"}, "init", "8010006E", "WAITEND 3 2"},
      {"timeout", {"init", "-"}, "init", "8010006E", "WAITEND 3 3"},
      {"fail", {"init", "-"}, "init", "FA5", "WAITEND 3 4"},
      {"timeout", {"changepin", "12345678", "87654321"}, "changepin", "8010000A", "WAITEND 5 3"},
      {"ok", {"changepin", "12345678", "87654321"}, "changepin", "0", "WAITEND 5 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " " + c.step);
    StandInScene scene;
    scene.env()["STANDIN_BUTTON"] = c.button;
    const ChildResult run = scene.Probe(c.args);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.Step(c.step), (Fields{c.status}));
    const std::vector<std::string> log = scene.UiLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.waitEnd);
    ExpectHandlesClosed(scene);
  }
}

// Starts an initialisation whose wait never ends by itself, sends the exit request to the wait's
// socket in `waitDirectory` and checks that the wait ended as cancelled and removed its socket.
void ExpectExitRequestEndsTheWait(StandInScene& scene, const std::string& waitDirectory) {
  scene.env()["STANDIN_BUTTON"] = "hold";
  ChildProcess child(scene.ProbeCommand({"init", "-"}), scene.env());
  ASSERT_GT(child.pid(), 0);
  // The open wait listens at wait-<pid>-<n>.sock in the wait directory; the first wait is n = 1.
  const std::string socketPath = waitDirectory + "/wait-" + std::to_string(child.pid()) + "-1.sock";
  bool listening = false;
  for (int i = 0; i < 1500 && !listening; ++i) {
    listening = std::filesystem::exists(socketPath);
    if (!listening) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ASSERT_TRUE(listening) << socketPath;
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const std::string request = "KQ_ORV_EXITALLUKEYDC";
  EXPECT_EQ(sendto(fd, request.data(), request.size(), 0,
                   reinterpret_cast<const sockaddr*>(&address), sizeof address),
            static_cast<ssize_t>(request.size()));
  close(fd);
  const ChildResult run = child.Wait(std::chrono::seconds(60));
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("init"), (Fields{"8010006E"}));
  const std::vector<std::string> log = scene.UiLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "WAITEND 3 2");
  EXPECT_FALSE(std::filesystem::exists(socketPath)) << "the wait left its socket behind";
  ExpectHandlesClosed(scene);
}

TEST(StandInDevice, ExitRequestEndsAnOpenWaitAsCancelled) {
  StandInScene scene;
  ExpectExitRequestEndsTheWait(scene, scene.waitDirectory());
}

TEST(StandInDevice, WaitDirectoryFallsBackToTheRuntimeDirectory) {
  StandInScene scene;
  test::TempDirectory runtime;
  scene.env()["KQCSP_RUN_DIR"] = std::nullopt;
  scene.env()["XDG_RUNTIME_DIR"] = runtime.path().string();
  ExpectExitRequestEndsTheWait(scene, runtime.path().string() + "/kqcsp");
}

TEST(StandInDevice, LoginReportsWrongPinsAndSuccess) {
  StandInScene scene;
  scene.env()["KQSIM_PIN"] = "00000000,12345678";
  const ChildResult run = scene.Probe({"choose"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("create"), (Fields{"1", "0"}));
  EXPECT_EQ(scene.UiLog(),
            (std::vector<std::string>{"MSGBOX Verify PIN\tVerify PIN fail,left 5 times"}));
  // Reader 0: wParam is the tries left after the wrong PIN, then 6 after the login.
  EXPECT_EQ(scene.Datagrams(), (std::vector<std::string>{"KQ_ORV_TOOL_REFRESHPIN 5 0\n",
                                                         "KQ_ORV_TOOL_REFRESHPIN 6 0\n"}));
  ExpectHandlesClosed(scene);
}

TEST(StandInDevice, TokenChooserListsEveryKeyAndTakesTheAnswer) {
  StandInScene scene;
  scene.env()["STANDIN_KEYS"] = "7301AAAABBBB0001:Alpha;7301EEEEFFFF0003:Beta";
  scene.env()["KQCSP_UI_CHOICES"] = "cancel";
  ChildResult run = scene.Probe({"choose"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("create"), (Fields{"0", "8010006E"}));
  // Each row: the key's label and its serial as the key reports it (kind 6).
  const std::vector<std::string> rows = {"CHOOSE token", "ROW 1\tAlpha\t7301AAAABBBBIDNT",
                                         "ROW 2\tBeta\t7301EEEEFFFFIDNT", "CHOSEN cancel"};
  EXPECT_EQ(scene.UiLog(), rows);

  StandInScene second;
  second.env()["STANDIN_KEYS"] = "7301AAAABBBB0001:Alpha;7301EEEEFFFF0003:Beta";
  // A row that is not listed selects nothing: the chooser explains and takes the next answer.
  second.env()["KQCSP_UI_CHOICES"] = "7,2";
  run = second.Probe({"choose"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("create"), (Fields{"1", "0"}));
  const std::vector<std::string> log = second.UiLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], "MSGBOX TIP\tYou did not select one USBKey, please select one USBKey");
  EXPECT_EQ(log.back(), "CHOSEN 2");
  // The login on reader 1: (1 << 8) | 6.
  EXPECT_EQ(second.Datagrams(), (std::vector<std::string>{"KQ_ORV_TOOL_REFRESHPIN 262 0\n"}));
  ExpectHandlesClosed(second);
}

TEST(StandInDevice, KeyGeneratedAndSignedOnTheStandIn) {
  StandInScene scene;
  const ChildResult run = scene.Probe({"keyset", "contract"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  for (const char* step : {"create", "genkey", "hash", "hashdata", "sign", "userkey", "verify",
                           "export", "destroyhash", "release"}) {
    EXPECT_EQ(run.Step(step), (Fields{"1", "0"})) << step;
  }
  const std::string head = "WAIT 2 Generate transaction key\t";
  EXPECT_EQ(scene.UiLog(), (std::vector<std::string>{head + "0", head + "60", head + "59",
                                                     head + "58", "WAITEND 2 1"}));
  EXPECT_EQ(scene.Datagrams(), (std::vector<std::string>{"KQ_ORV_TOOL_REFRESHPIN 6 0\n",
                                                         "KQ_ORV_GENKEYPAIRMSGID 0 0\n",
                                                         "KQ_ORV_GENKEYPAIRMSGID 1 0\n"}));
  ExpectHandlesClosed(scene);
  // The signature (least significant byte first) verifies with the stand-in's key pair under a
  // verifier nobody here wrote.
  const Fields signature = run.Step("signature");
  ASSERT_EQ(signature.size(), 1u);
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < signature[0].size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(signature[0].substr(i, 2), nullptr, 16)));
  }
  ASSERT_EQ(bytes.size(), 128u);
  std::reverse(bytes.begin(), bytes.end());
  test::TempDirectory files;
  const std::filesystem::path sig = files.Write("sig", bytes);
  const std::filesystem::path data = files.Write("data", std::string_view("abc"));
  const std::string key = std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem";
  const test::CommandResult check = test::RunOpenssl(
      {"dgst", "-sha1", "-prverify", key, "-signature", sig.string(), data.string()});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

TEST(StandInDevice, CertificationRequestSignedOnTheStandIn) {
  StandInScene scene;
  const ChildResult run =
      scene.Probe({"pkcs10", "7301STANDIN0", " CN=Contract Test , O=Bank |RSA1024|SHA256|1"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  ASSERT_EQ(run.Step("pkcs10").at(0), "0");
  const Fields requests = run.Step("requests");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(scene.Datagrams(), (std::vector<std::string>{"KQ_ORV_TOOL_REFRESHPIN 6 0\n",
                                                         "KQ_ORV_GENKEYPAIRMSGID 0 0\n",
                                                         "KQ_ORV_GENKEYPAIRMSGID 1 0\n"}));
  const std::vector<std::string> log = scene.UiLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "WAITEND 2 1");
  ExpectHandlesClosed(scene);
  // The request verifies under openssl and carries the stand-in's public key.
  test::TempDirectory files;
  const std::filesystem::path b64 = files.Write("request.b64", requests[0] + "\n");
  const test::CommandResult der = test::RunOpenssl(
      {"base64", "-d", "-A", "-in", b64.string(), "-out", (files.path() / "request.der").string()});
  ASSERT_EQ(der.exitCode, 0) << der.err;
  const test::CommandResult checked =
      test::RunOpenssl({"req", "-inform", "DER", "-in", (files.path() / "request.der").string(),
                        "-verify", "-noout", "-subject", "-pubkey"});
  EXPECT_EQ(checked.exitCode, 0) << checked.err;
  EXPECT_NE(checked.out.find("CN = Contract Test, O = Bank"), std::string::npos) << checked.out;
  const test::CommandResult expectedKey = test::RunOpenssl(
      {"pkey", "-in", std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem", "-pubout"});
  ASSERT_EQ(expectedKey.exitCode, 0);
  EXPECT_NE(checked.out.find(expectedKey.out), std::string::npos) << checked.out;
}

TEST(StandInDevice, KeyChooserOffersThePairsWhenEverySlotIsTaken) {
  const std::vector<std::string> rows = {"CHOOSE key",
                                         "ROW 1\tno cert\tc1\tRSA Sign\t1024",
                                         "ROW 2\tno cert\tc1\tRSA Exch\t1024",
                                         "ROW 3\tno cert\tc2\tRSA Sign\t1024",
                                         "ROW 4\tno cert\tc2\tRSA Exch\t1024",
                                         "ROW 5\tno cert\tc3\tRSA Sign\t1024"};
  {
    StandInScene scene;
    scene.env()["STANDIN_BUTTON_OPS"] = "";
    scene.env()["KQCSP_UI_CHOICES"] = "cancel";
    const ChildResult run = scene.Probe({"fill"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.Step("genkey-c3-2"), (Fields{"1", "0"}));
    EXPECT_EQ(run.Step("genkey-c3-1"), (Fields{"0", "8010006E"}));
    std::vector<std::string> expected = rows;
    expected.push_back("CHOSEN cancel");
    EXPECT_EQ(scene.UiLog(), expected);
    ExpectHandlesClosed(scene);
  }
  StandInScene scene;
  scene.env()["KQCSP_UI_CHOICES"] = "1";
  const ChildResult run = scene.Probe({"fill"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("genkey-c3-1"), (Fields{"1", "0"}));
  // The chosen pair is deleted behind the button before the new one is generated.
  std::vector<std::string> log = scene.UiLog();
  const auto chooser = std::find(log.begin(), log.end(), "CHOOSE key");
  ASSERT_NE(chooser, log.end());
  log.erase(log.begin(), chooser);
  const std::string deletion = "WAIT 4 Delete key,please confirm\t";
  const std::string generation = "WAIT 2 Generate transaction key\t";
  std::vector<std::string> expected = rows;
  expected.insert(
      expected.end(),
      {"CHOSEN 1", deletion + "0", deletion + "60", deletion + "59", deletion + "58", "WAITEND 4 1",
       generation + "0", generation + "60", generation + "59", generation + "58", "WAITEND 2 1"});
  EXPECT_EQ(log, expected);
  ExpectHandlesClosed(scene);
}

// A certificate issued by a test CA for the stand-in's RSA 1024 pair, base64 DER.
std::string IssuedCertificate(const test::TempDirectory& files, const std::string& subject) {
  const std::string dir = files.path().string();
  const std::string pair = std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem";
  const std::vector<std::vector<std::string>> steps = {
      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/ca.key", "-out",
       dir + "/ca.pem", "-subj", "/CN=Contract CA", "-days", "30"},
      {"req", "-new", "-key", pair, "-subj", subject, "-out", dir + "/holder.csr"},
      {"x509", "-req", "-in", dir + "/holder.csr", "-CA", dir + "/ca.pem", "-CAkey",
       dir + "/ca.key", "-CAcreateserial", "-days", "30", "-outform", "DER", "-out",
       dir + "/holder.der"},
      {"base64", "-A", "-in", dir + "/holder.der", "-out", dir + "/holder.b64"}};
  for (const auto& step : steps) {
    const test::CommandResult done = test::RunOpenssl(step);
    EXPECT_EQ(done.exitCode, 0) << done.err;
  }
  const std::vector<std::string> text = ReadLines(dir + "/holder.b64");
  return text.empty() ? std::string() : text.front();
}

// A key's life through the tool exports: request, installed certificate, listing, signature
// (a login of its own: RSA of device usage 1), lookups by subject, deletion behind the button.
TEST(StandInDevice, ToolExportsManageCertificatesOnTheStandIn) {
  StandInScene scene;
  test::TempDirectory files;
  const std::string certificate = IssuedCertificate(files, "/CN=Contract Holder/O=Bank");
  const auto certificateSize = std::filesystem::file_size(files.path() / "holder.der");
  const ChildResult run = scene.Probe(
      {"enrol", "7301STANDIN0", "CN=Contract Holder,O=Bank|RSA1024|SHA1|1", certificate});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_EQ(run.Step("pkcs10").at(0), "0");
  EXPECT_EQ(run.Step("writepkcs7"), (Fields{"0"}));
  EXPECT_EQ(run.Step("alldn"), (Fields{"0", "26"}));
  EXPECT_EQ(run.Step("alldn-text"), (Fields{"CN=Contract", "Holder,", "O=Bank"}));
  EXPECT_EQ(run.Step("getsignature"), (Fields{"0", "128", std::to_string(certificateSize)}));
  EXPECT_EQ(run.Step("devicesn"), (Fields{"0", "16", "7301STANDIN0IDNT"}));
  EXPECT_EQ(run.Step("cspname"), (Fields{"0", "19"}));
  EXPECT_EQ(run.Step("cspname-text"), (Fields{"KQCSP", "For", "ORV", "v2.0"}));
  EXPECT_EQ(run.Step("delete"), (Fields{"0", "1"}));
  EXPECT_EQ(run.Step("alldn-after"), (Fields{"0", "0"}));
  EXPECT_EQ(
      scene.Datagrams(),
      (std::vector<std::string>{"KQ_ORV_TOOL_REFRESHPIN 6 0\n", "KQ_ORV_GENKEYPAIRMSGID 0 0\n",
                                "KQ_ORV_GENKEYPAIRMSGID 1 0\n", "KQ_ORV_IMPORTCERTMSGID 0 0\n",
                                "KQ_ORV_IMPORTCERTMSGID 1 0\n", "KQ_ORV_TOOL_REFRESHPIN 6 0\n",
                                "KQ_ORV_TOOL_REFRESHPIN 6 0\n", "KQ_ORV_INITUSBKEYMSGID 0 0\n"}));
  const std::vector<std::string> log = scene.UiLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "WAITEND 4 1");
  ExpectHandlesClosed(scene);
  // The raw signature (most significant byte first) verifies with the certificate's key.
  const Fields signature = run.Step("signature");
  ASSERT_EQ(signature.size(), 1u);
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < signature[0].size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(signature[0].substr(i, 2), nullptr, 16)));
  }
  const std::filesystem::path sig = files.Write("sig", bytes);
  const std::filesystem::path data = files.Write("data", std::string_view("abc"));
  const test::CommandResult check = test::RunOpenssl(
      {"dgst", "-sha1", "-prverify", std::string(KQ_TEST_DATA_DIR) + "/softkey/rsa1024-a.pem",
       "-signature", sig.string(), data.string()});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
}

}  // namespace
}  // namespace kq::contract
