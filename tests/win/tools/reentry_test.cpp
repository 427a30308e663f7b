// A bank tool that looks at the key from its window's handler on every key and certificate event
// (KQ_GetMediaID, KQ_GetAllCertDN) while KQ_CreatePKCS10, KQ_WritePKCS7, CPGenKey and
// KP_CERTIFICATE run on another thread; its window is this process's or another's (this program
// again, as the tool). Every operation ends, every handler returns, the events come in order; a
// deadlock ends the program with a failure instead of hanging.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "kqcsp.h"
#include "support/softkey_scene.h"
#include "tool_windows.h"
#include "win/support/dialog_driver.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

constexpr size_t kLines = 16;  // eight events, each followed by its handler's answer

EventHandler LookAtTheKey(std::string mediaId) {
  return [mediaId] {
    std::string buffer(2000, '\0');
    auto length = static_cast<int32_t>(buffer.size());
    const bool listed = ToolExport<decltype(KQ_GetMediaID)>("KQ_GetMediaID")(
                            buffer.data(), &length, mediaId.starts_with("73") ? 1 : 0) == 0 &&
                        buffer.find(mediaId) != std::string::npos;
    length = static_cast<int32_t>(buffer.size());
    ToolExport<decltype(KQ_GetAllCertDN)>("KQ_GetAllCertDN")(mediaId.c_str(), buffer.data(),
                                                             &length);
    return std::string(listed ? "listed" : "not listed");
  };
}

// The four operations, on a thread of their own, as a bank tool's worker runs them.
bool RunTheOperations(const std::string& mediaId) {
  const std::string text = "CN=Reentry|RSA1024|SHA256|1";
  int32_t length = 3000;
  std::string output(static_cast<size_t>(length), '\0');
  Crypt32Ca ca;
  CryptContext prov;
  CryptKey key;
  BackgroundCall call([&]() -> BOOL {
    if (ToolExport<decltype(KQ_CreatePKCS10)>("KQ_CreatePKCS10")(
            text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(), output.data(),
            &length) != 0) {
      return FALSE;
    }
    const CertificateRequest request(FromBase64(output.substr(0, static_cast<size_t>(length))));
    const std::string list = ToBase64(ca.Issue(request.subjectName, request.publicKeyInfo));
    if (ToolExport<decltype(KQ_WritePKCS7)>("KQ_WritePKCS7")(
            mediaId.c_str(), list.c_str(), static_cast<int32_t>(list.size())) != 0 ||
        !CryptAcquireContextW(prov.out(), L"reentry", kProviderName, PROV_RSA_FULL,
                              CRYPT_NEWKEYSET) ||
        !CryptGenKey(prov.get(), AT_SIGNATURE, 1024u << 16, key.out())) {
      return FALSE;
    }
    const Bytes issued = ca.Issue(EncodeName(L"CN=Reentry Key"), PublicKeyInfo(prov.get()));
    return CryptSetKeyParam(key.get(), KP_CERTIFICATE, issued.data(), 0);
  });
  if (!call.Finish(std::chrono::seconds(60))) {
    std::fputs("deadlock: the operations did not end within 60 s\n", stderr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);  // the call never returns: no test may wait on it
  }
  EXPECT_TRUE(call.result()) << std::hex << call.error();
  return call.result() != FALSE;
}

class Reentry : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_TRUE(EnterPrivateDesktop()) << GetLastError(); }

  test::SoftKeyScene scene_;
};

TEST_P(Reentry, ToolsThatLookAtTheKeyOnEachEventDoNotStopTheOperations) {
  const std::string mediaId = scene_.MediaId(scene_.AddKey());
  scene_.SetPinAnswers("12345678");
  const std::string log = scene_.root().string() + "\\tool-events.txt";
  std::unique_ptr<ToolWindow> window;
  PROCESS_INFORMATION tool{};
  if (GetParam()) {
    // This program again, on this desktop, as the tool (the disabled test below).
    SetEnvironmentVariableA(
        "KQ_TEST_TOOL",
        (std::to_string(GetCurrentProcessId()) + "|" + mediaId + "|" + log).c_str());
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    std::wstring command =
        L"\"" + self + L"\" --gtest_also_run_disabled_tests --gtest_filter=ToolProcess.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &tool));
    CloseHandle(tool.hThread);
    ASSERT_TRUE(
        PollFor(std::chrono::seconds(20), [] { return FindWindowW(L"KqToolWindow", nullptr); }));
  } else {
    window = std::make_unique<ToolWindow>(1, LookAtTheKey(mediaId));
  }

  ASSERT_TRUE(RunTheOperations(mediaId));
  Events events;
  if (tool.hProcess != nullptr) {
    EXPECT_EQ(WaitForSingleObject(tool.hProcess, 30000), WAIT_OBJECT_0);
    TerminateProcess(tool.hProcess, 1);
    CloseHandle(tool.hProcess);
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      events.push_back(line);
    }
  } else {
    events = Arrived(*window, kLines);
  }
  Events expected;  // the tool exports' generation and installation, then the provider's
  for (int round = 0; round < 2; ++round) {
    for (const char* event : {"KQ_ORV_GENKEYPAIRMSGID", "KQ_ORV_IMPORTCERTMSGID"}) {
      for (const char* phase : {" 0 0", " 1 0"}) {
        expected.insert(expected.end(), {event + std::string(phase), "handled listed"});
      }
    }
  }
  EXPECT_EQ(events, expected);
}

INSTANTIATE_TEST_SUITE_P(ToolWindowOf, Reentry, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& test) {
                           return test.param ? "AnotherProcess" : "ThisProcess";
                         });

// The tool process of the test above: a marked window on its parent's desktop that looks at the
// key on each event; its log once every event has been handled.
TEST(ToolProcess, DISABLED_LogsTheEventsOfItsMarkedWindow) {
  const char* setting = std::getenv("KQ_TEST_TOOL");  // "<parent pid>|<media id>|<log>"
  ASSERT_NE(setting, nullptr);
  const std::string text(setting);
  const size_t first = text.find('|');
  const size_t second = text.find('|', first + 1);
  const HDESK desktop =
      OpenDesktopA(("kqtest-" + text.substr(0, first)).c_str(), 0, FALSE, GENERIC_ALL);
  ASSERT_TRUE(desktop != nullptr && SetThreadDesktop(desktop)) << GetLastError();
  const ToolWindow window(1, LookAtTheKey(text.substr(first + 1, second - first - 1)));
  PollFor(std::chrono::seconds(90), [&] { return Only(window.Logged(), false).size() >= kLines; });
  std::ofstream out(text.substr(second + 1));
  for (const std::string& line : Only(window.Logged(), false)) {
    out << line << "\n";
  }
}

}  // namespace
}  // namespace kq::wintest
