// Notifications across processes: the registered window messages that the provider sends to the
// first top-level window carrying the tool-window marker with value 1 (before and after key
// generation and certificate installation), and the PIN broadcast that every top-level window
// receives after a right and after a wrong PIN. kq_tool_window processes play the tool windows.
//
// Other test programs may run at the same time and send the same events, so a window's log is
// checked for the expected events in order, with anything else allowed in between; windows that
// must receive nothing are checked exactly.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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

// `expected` occurs in `events` in this order, perhaps with other events in between.
bool InOrder(const Events& events, const Events& expected) {
  auto at = events.begin();
  for (const std::string& wanted : expected) {
    at = std::find(at, events.end(), wanted);
    if (at == events.end()) {
      return false;
    }
    ++at;
  }
  return true;
}

const std::string kKeyPair = "KQ_ORV_GENKEYPAIRMSGID";
const std::string kImport = "KQ_ORV_IMPORTCERTMSGID";
const std::string kRefreshPin = "KQ_ORV_TOOL_REFRESHPIN";

class Notifications : public ::testing::Test {
 protected:
  // The position of a window in EnumWindows order.
  static size_t Position(const ToolWindowProcess& tool) {
    const std::vector<HWND> windows = TopLevelWindows();
    return static_cast<size_t>(std::find(windows.begin(), windows.end(), tool.window()) -
                               windows.begin());
  }

  std::unique_ptr<ToolWindowProcess> Start(const std::string& name, unsigned marker) {
    auto tool = std::make_unique<ToolWindowProcess>(logs_.path(), name, marker);
    EXPECT_NE(tool->window(), nullptr) << name;
    return tool;
  }

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
  EXPECT_TRUE(InOrder(leader.Events(),
                      {kKeyPair + " 0 0", kKeyPair + " 1 0", kImport + " 0 1", kImport + " 1 1"}))
      << ::testing::PrintToString(leader.Events());
  for (const ToolWindowProcess* other :
       {&follower, static_cast<const ToolWindowProcess*>(unmarked.get())}) {
    EXPECT_EQ(Named(other->Events(), kKeyPair), Events{});
    EXPECT_EQ(Named(other->Events(), kImport), Events{});
  }
  // The PIN login is broadcast to every window: (reader << 8) | 6 after the right PIN.
  for (const ToolWindowProcess* tool : {first.get(), second.get(), unmarked.get()}) {
    const Events events =
        tool->WaitForEvents([](const Events& e) { return InOrder(e, {kRefreshPin + " 262 0"}); });
    EXPECT_TRUE(InOrder(events, {kRefreshPin + " 262 0"})) << ::testing::PrintToString(events);
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

  EXPECT_TRUE(InOrder(tool->Events(),
                      {kKeyPair + " 0 0", kKeyPair + " 1 0", kImport + " 0 0", kImport + " 1 0"}))
      << ::testing::PrintToString(tool->Events());
  // (reader << 8) + tries left after the wrong PIN, then (reader << 8) | 6 after the right one.
  const Events pinEvents = {kRefreshPin + " 5 0", kRefreshPin + " 6 0"};
  const Events events = tool->WaitForEvents([&](const Events& e) { return InOrder(e, pinEvents); });
  EXPECT_TRUE(InOrder(events, pinEvents)) << ::testing::PrintToString(events);
}

}  // namespace
}  // namespace kq::wintest
