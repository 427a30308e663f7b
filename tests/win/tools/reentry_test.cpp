// A bank tool that looks at the key from its window's handler on every key and certificate event
// (KQ_GetMediaID, KQ_GetAllCertDN), while the four operations that send those events run on
// another thread: the tool window of this process, or of another one (this program started
// again as the tool). Every operation ends, every handler call returns, the events come in
// order. A watchdog ends the program with a failure when they do not (a deadlock).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "kqcsp.h"
#include "support/softkey_scene.h"
#include "tool_windows.h"
#include "win/support/dialog_driver.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

// What the tool process learns from its parent.
constexpr char kDesktopVariable[] = "KQ_TEST_TOOL_DESKTOP";
constexpr char kMediaIdVariable[] = "KQ_TEST_TOOL_MEDIA_ID";
constexpr char kLogVariable[] = "KQ_TEST_TOOL_LOG";
constexpr size_t kEventLines = 16;  // eight events, each followed by its handler's answer

// The handler: both exports called, each answer noted.
EventHandler LookAtTheKey(std::string mediaId) {
  return [mediaId] {
    const auto getMediaId = ToolExport<decltype(KQ_GetMediaID)>("KQ_GetMediaID");
    const auto getAllCertDn = ToolExport<decltype(KQ_GetAllCertDN)>("KQ_GetAllCertDN");
    std::string ids(200, '\0');
    int32_t length = static_cast<int32_t>(ids.size());
    const uint32_t idsStatus = getMediaId(ids.data(), &length, mediaId.starts_with("73") ? 1 : 0);
    const bool listed = idsStatus == 0 && ids.find(mediaId) != std::string::npos;
    std::string subjects(2000, '\0');
    length = static_cast<int32_t>(subjects.size());
    getAllCertDn(mediaId.c_str(), subjects.data(), &length);
    return std::string(listed ? "listed" : "not listed");
  };
}

// Ends the program with a failure unless disarmed in time: a deadlocked call never returns.
class Watchdog {
 public:
  Watchdog(std::chrono::seconds within, const char* what) {
    thread_ = std::thread([this, within, what] {
      std::unique_lock lock(mutex_);
      if (!disarmed_.wait_for(lock, within, [this] { return done_; })) {
        std::fprintf(stderr, "watchdog: %s did not end within %lld s (deadlock)\n", what,
                     static_cast<long long>(within.count()));
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    });
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    disarmed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable disarmed_;
  bool done_ = false;
  std::thread thread_;
};

// This program again, as the tool process on this desktop, until kEventLines are logged.
class ToolProcess {
 public:
  ToolProcess(const std::string& mediaId, const std::string& log) {
    SetEnvironmentVariableA(kDesktopVariable,
                            ("kqtest-" + std::to_string(GetCurrentProcessId())).c_str());
    SetEnvironmentVariableA(kMediaIdVariable, mediaId.c_str());
    SetEnvironmentVariableA(kLogVariable, log.c_str());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=ToolProcess.DISABLED_LogsEventsOfItsMarkedWindow";
    STARTUPINFOW startup{sizeof(STARTUPINFOW)};
    if (CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process_)) {
      CloseHandle(process_.hThread);
    }
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;
  ~ToolProcess() {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
      }
      CloseHandle(process_.hProcess);
    }
  }
  [[nodiscard]] bool started() const { return process_.hProcess != nullptr; }
  bool Ended() const { return WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0; }

 private:
  PROCESS_INFORMATION process_{};
};

HWND MarkedWindow() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND window, LPARAM out) {
        if (GetPropW(window, L"{9989C252-62B0-0ORV-975A-C275013499656}") ==
            reinterpret_cast<HANDLE>(1)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The key and certificate events with their handlers' answers, without the PIN broadcasts.
Events KeyEvents(Events events) {
  std::erase_if(events, [](const auto& e) { return e.starts_with("KQ_ORV_TOOL_REFRESHPIN"); });
  return events;
}

Events LinesOf(const std::string& path) {
  Events lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

class Reentry : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_TRUE(EnterPrivateDesktop()) << GetLastError(); }

  test::SoftKeyScene scene_;
};

TEST_P(Reentry, ToolsThatLookAtTheKeyOnEachEventDoNotStopTheOperations) {
  const bool otherProcess = GetParam();
  const auto createPkcs10 = ToolExport<decltype(KQ_CreatePKCS10)>("KQ_CreatePKCS10");
  const auto writePkcs7 = ToolExport<decltype(KQ_WritePKCS7)>("KQ_WritePKCS7");
  ASSERT_TRUE(createPkcs10 && writePkcs7) << GetLastError();
  const std::string mediaId = scene_.MediaId(scene_.AddKey());
  scene_.SetPinAnswers("12345678");
  const std::string log = scene_.root().string() + "\\tool-events.txt";

  const Watchdog watchdog(std::chrono::seconds(40), "an operation or a tool's handler");
  std::unique_ptr<ToolWindow> window;
  std::unique_ptr<ToolProcess> process;
  if (otherProcess) {
    process = std::make_unique<ToolProcess>(mediaId, log);
    ASSERT_TRUE(process->started()) << GetLastError();
    ASSERT_NE(PollFor(std::chrono::seconds(20), MarkedWindow), nullptr);
  } else {
    window = std::make_unique<ToolWindow>(1, LookAtTheKey(mediaId));
  }

  // KQ_CreatePKCS10, KQ_WritePKCS7.
  const std::string text = "CN=Reentry|RSA1024|SHA256|1";
  int32_t length = 3000;
  std::string output(static_cast<size_t>(length), '\0');
  ASSERT_EQ(createPkcs10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                         output.data(), &length),
            0u);
  const CertificateRequest request(FromBase64(output.substr(0, static_cast<size_t>(length))));
  ASSERT_TRUE(request.read);
  Crypt32Ca ca;
  ASSERT_TRUE(ca.ready());
  const std::string list = ToBase64(ca.Issue(request.subjectName, request.publicKeyInfo));
  ASSERT_EQ(writePkcs7(mediaId.c_str(), list.c_str(), static_cast<int32_t>(list.size())), 0u);

  // CPGenKey, KP_CERTIFICATE.
  CryptContext prov;
  ASSERT_TRUE(
      CryptAcquireContextW(prov.out(), L"reentry", kProviderName, PROV_RSA_FULL, CRYPT_NEWKEYSET))
      << std::hex << GetLastError();
  CryptKey key;
  ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 1024u << 16, key.out()))
      << std::hex << GetLastError();
  const Bytes certificate = ca.Issue(EncodeName(L"CN=Reentry Key"), PublicKeyInfo(prov.get()));
  ASSERT_TRUE(CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate.data(), 0))
      << std::hex << GetLastError();

  Events events;
  if (otherProcess) {
    events = process->Ended() ? LinesOf(log) : Events{};
  } else {
    PollFor(std::chrono::seconds(20),
            [&] { return KeyEvents(window->Logged()).size() >= kEventLines; });
    events = KeyEvents(window->Logged());
  }
  const std::string handled = "handled listed";
  EXPECT_EQ(events,
            (Events{"KQ_ORV_GENKEYPAIRMSGID 0 0", handled, "KQ_ORV_GENKEYPAIRMSGID 1 0", handled,
                    "KQ_ORV_IMPORTCERTMSGID 0 0", handled, "KQ_ORV_IMPORTCERTMSGID 1 0", handled,
                    "KQ_ORV_GENKEYPAIRMSGID 0 0", handled, "KQ_ORV_GENKEYPAIRMSGID 1 0", handled,
                    "KQ_ORV_IMPORTCERTMSGID 0 0", handled, "KQ_ORV_IMPORTCERTMSGID 1 0", handled}));
}

INSTANTIATE_TEST_SUITE_P(ToolWindowOf, Reentry, ::testing::Values(false, true),
                         [](const auto& info) {
                           return info.param ? "AnotherProcess" : "ThisProcess";
                         });

// The tool process of the test above (run only by it): a marked window on the parent's desktop
// that looks at the key on each event, and its log once all events have been handled.
TEST(ToolProcess, DISABLED_LogsEventsOfItsMarkedWindow) {
  const char* desktopName = std::getenv(kDesktopVariable);
  const char* mediaId = std::getenv(kMediaIdVariable);
  const char* log = std::getenv(kLogVariable);
  ASSERT_TRUE(desktopName && mediaId && log);
  const HDESK desktop = OpenDesktopA(desktopName, 0, FALSE, GENERIC_ALL);
  ASSERT_TRUE(desktop != nullptr && SetThreadDesktop(desktop)) << GetLastError();
  const ToolWindow window(1, LookAtTheKey(mediaId));
  PollFor(std::chrono::seconds(50),
          [&] { return KeyEvents(window.Logged()).size() >= kEventLines; });
  std::ofstream out(log);
  for (const std::string& line : KeyEvents(window.Logged())) {
    out << line << "\n";
  }
}

}  // namespace
}  // namespace kq::wintest
