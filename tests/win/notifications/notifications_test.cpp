// Notifications across processes: the registered window messages that the provider sends to the
// first top-level window carrying the tool-window marker with value 1 (before and after key
// generation and certificate installation), and the PIN broadcast that every top-level window
// receives after a right and after a wrong PIN. kq_tool_window processes play the tool windows.
// Each test runs on a desktop of its own (PrivateDesktop), so no other program's windows or
// events take part and every log is checked exactly.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "private_desktop.h"
#include "support/softkey_scene.h"
#include "tool_window_process.h"
#include "win/support/crypt32_ca.h"
#include "win/support/crypt_handles.h"
#include "win/support/message_box_closer.h"
#include "win/support/tool_library.h"

#include <gtest/gtest.h>

namespace kq::wintest {
namespace {

using Events = std::vector<std::string>;

// The events whose message name begins with `prefix`.
Events Named(const Events& events, const std::string& prefix) {
  Events named;
  std::copy_if(events.begin(), events.end(), std::back_inserter(named),
               [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
  return named;
}

const std::string kKeyPair = "KQ_ORV_GENKEYPAIRMSGID";
const std::string kImport = "KQ_ORV_IMPORTCERTMSGID";
const std::string kRefreshPin = "KQ_ORV_TOOL_REFRESHPIN";

// The key and certificate events: everything but the PIN broadcasts.
Events ToolEvents(const Events& events) {
  Events tool;
  std::copy_if(events.begin(), events.end(), std::back_inserter(tool),
               [](const std::string& e) { return e.rfind(kRefreshPin, 0) != 0; });
  return tool;
}

// The PIN broadcasts of a window, once `count` have arrived (posted, they come when the window's
// thread next looks) or a few seconds have passed.
Events PinBroadcasts(const ToolWindowProcess& tool, size_t count) {
  return Named(
      tool.WaitForEvents([&](const Events& e) { return Named(e, kRefreshPin).size() >= count; }),
      kRefreshPin);
}

class Notifications : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(desktop_.entered()) << GetLastError(); }

  // The position of a window in EnumWindows order.
  static size_t Position(const ToolWindowProcess& tool) {
    const std::vector<HWND> windows = TopLevelWindows();
    return static_cast<size_t>(std::find(windows.begin(), windows.end(), tool.window()) -
                               windows.begin());
  }

  std::unique_ptr<ToolWindowProcess> Start(const std::string& name, unsigned marker) {
    auto tool = std::make_unique<ToolWindowProcess>(desktop_.name(), logs_.path(), name, marker);
    EXPECT_NE(tool->window(), nullptr) << name << ": " << tool->Problem();
    return tool;
  }

  PrivateDesktop desktop_;
  test::SoftKeyScene scene_;
  test::TempDirectory logs_;
};

TEST_F(Notifications, ToolExportEventsReachOnlyTheFirstMarkedWindow) {
  const ToolLibrary& lib = ToolLibrary::Get();
  ASSERT_NE(lib.CreatePKCS10, nullptr);
  scene_.AddKey();
  const std::string mediaId = scene_.MediaId(scene_.AddKey());  // reader 1
  scene_.SetPinAnswers("12345678");
  const auto first = Start("first", 1);
  const auto second = Start("second", 1);
  const auto unmarked = Start("unmarked", 2);  // a marker value other than 1 marks nothing
  ASSERT_TRUE(first->window() && second->window() && unmarked->window());
  const bool firstLeads = Position(*first) < Position(*second);
  const ToolWindowProcess& leader = firstLeads ? *first : *second;
  const ToolWindowProcess& follower = firstLeads ? *second : *first;
  // The window with the wrong value comes first, so a marker test that ignored the value would
  // choose it.
  EXPECT_LT(Position(*unmarked), Position(leader));

  const std::string text = "CN=Notified Holder|RSA1024|SHA1|1";
  int32_t length = 3000;
  std::string output(static_cast<size_t>(length), '\0');
  ASSERT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                             output.data(), &length),
            0u);
  output.resize(static_cast<size_t>(length));
  const CertificateRequest request(FromBase64(output));
  ASSERT_EQ(request.problem(), "");
  Crypt32Ca ca;
  ASSERT_EQ(ca.problem(), "");
  const std::string certificate = ToBase64(ca.Issue(request.subject(), request.publicKey()));
  ASSERT_EQ(lib.WritePKCS7(mediaId.c_str(), certificate.c_str(),
                           static_cast<int32_t>(certificate.size())),
            0u);

  // Sent synchronously: every marked-window event is in the logs once the calls return.
  // Certificate installation names the reader in lParam.
  EXPECT_EQ(ToolEvents(leader.Events()),
            (Events{kKeyPair + " 0 0", kKeyPair + " 1 0", kImport + " 0 1", kImport + " 1 1"}));
  EXPECT_EQ(ToolEvents(follower.Events()), Events{});
  EXPECT_EQ(ToolEvents(unmarked->Events()), Events{});
  // The PIN login is broadcast to every window: (reader << 8) | 6 after the right PIN.
  for (const ToolWindowProcess* tool : {first.get(), second.get(), unmarked.get()}) {
    EXPECT_EQ(PinBroadcasts(*tool, 1), Events{kRefreshPin + " 262 0"});
  }
}

TEST_F(Notifications, CryptoApiEventsAndTheBroadcastsOfAWrongAndARightPin) {
  scene_.AddKey();
  scene_.SetPinAnswers("00000000,12345678");
  const auto tool = Start("tool", 1);
  ASSERT_NE(tool->window(), nullptr);

  CryptContext prov;
  {
    // The wrong PIN is reported in a message box of this thread, answered from another.
    const MessageBoxCloser closer;
    ASSERT_TRUE(CryptAcquireContextW(prov.out(), L"notified", kProviderName, PROV_RSA_FULL,
                                     CRYPT_NEWKEYSET))
        << std::hex << GetLastError();
    EXPECT_EQ(closer.Closed().size(), 1u);
  }
  CryptKey key;
  ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 1024u << 16, key.out()))
      << std::hex << GetLastError();
  Crypt32Ca ca;
  ASSERT_EQ(ca.problem(), "");
  const Bytes certificate = ca.IssueForBlob(L"CN=Notified Signer", ExportPublicKeyBlob(key.get()));
  ASSERT_TRUE(CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate.data(), 0))
      << std::hex << GetLastError();

  EXPECT_EQ(ToolEvents(tool->Events()),
            (Events{kKeyPair + " 0 0", kKeyPair + " 1 0", kImport + " 0 0", kImport + " 1 0"}));
  // (reader << 8) + tries left after the wrong PIN, then (reader << 8) | 6 after the right one.
  EXPECT_EQ(PinBroadcasts(*tool, 2), (Events{kRefreshPin + " 5 0", kRefreshPin + " 6 0"}));
}

}  // namespace
}  // namespace kq::wintest
