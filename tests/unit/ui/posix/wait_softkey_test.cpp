// The waits against the soft key, through the device library binding: a PIN change confirmed,
// cancelled, timed out or failed on the key, a press made with the exit request pending, and the
// PIN-tries warning before a verification after wrong PINs.

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "common/codes_device.h"
#include "device/device_library.h"
#include "platform/exit_request.h"
#include "support/softkey_library.h"
#include "support/softkey_scene.h"
#include "support/ui_log_capture.h"
#include "ui/confirmation_wait.h"
#include "ui/pin_tries_warning.h"

namespace kq::ui {
namespace {

constexpr char kPin[] = "12345678";
constexpr char kNewPin[] = "87654321";
constexpr uint32_t kResultOfOperation = 5;

// A key opened through the binding, closed on every path out.
class OpenKey {
 public:
  explicit OpenKey(const std::string& reader) {
    // The soft key of this build, loaded by path first: the binding's load by name then finds it
    // loaded, also under AddressSanitizer, whose dlopen does not search the program's RUNPATH.
    static_cast<void>(test::SoftKeyLibrary::Instance());
    status_ = DeviceLibrary::Instance().OpenDev(&handle_, reader.c_str(), 0);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (handle_ != nullptr) {
      DeviceLibrary::Instance().CloseDev(handle_, 0);
    }
  }
  [[nodiscard]] uint32_t status() const { return status_; }
  [[nodiscard]] ZANT_HANDLE handle() const { return handle_; }

 private:
  ZANT_HANDLE handle_ = nullptr;
  uint32_t status_ = 0;
};

uint32_t ChangePin(const OpenKey& key, const char* from, const char* to) {
  return DeviceLibrary::Instance().ChangePIN(key.handle(), from, 8, to, 8, 0);
}

TEST(SoftKeyWait, PinChangeEndsAsTheKeysButtonPolicySays) {
  struct Case {
    const char* policy;
    WaitResult result;
    bool changed;
    size_t lines;  // the wait's lines in the UI log
  };
  // A key that times out after two polls has less than a second left: its countdown stays at 0.
  const Case cases[] = {{"ok:1", WaitResult::kConfirmed, true, 3},
                        {"cancel:1", WaitResult::kCancelled, false, 3},
                        {"timeout:2", WaitResult::kTimedOut, false, 2},
                        {"fail:1", WaitResult::kKeyError, false, 3}};
  for (const Case& c : cases) {
    test::SoftKeyScene scene;
    const std::string name = scene.AddKey({.button = c.policy});
    test::UiLogCapture log;
    OpenKey key(scene.ReaderName(name));
    ASSERT_EQ(key.status(), 0U);
    const uint32_t status = ChangePin(key, kPin, kNewPin);
    ASSERT_TRUE(dev::IsButtonWait(status)) << std::hex << status;
    const ConfirmedOperation done = ConfirmOnKey(key.handle(), kWaitPinChange, kResultOfOperation);
    EXPECT_EQ(done.wait, c.result) << c.policy;
    EXPECT_EQ(done.Succeeded(), c.changed) << c.policy;
    EXPECT_EQ(scene.State(name).pin, c.changed ? kNewPin : kPin) << c.policy;

    const std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), c.lines) << c.policy;
    EXPECT_EQ(lines.front().rfind("WAIT 5 ", 0), 0U);
    EXPECT_EQ(lines.front().substr(lines.front().size() - 2), "\t0");
    if (c.lines == 3) {
      // The key counts down from 30 seconds, one tenth per poll.
      EXPECT_EQ(lines[1].substr(lines[1].size() - 3), "\t30");
    }
    EXPECT_EQ(lines.back(), "WAITEND 5 " + std::to_string(static_cast<int>(c.result)));
  }
}

TEST(SoftKeyWait, ExitRequestCancelsAWaitTheUserNeverAnswers) {
  test::SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "manual"});
  test::UiLogCapture log;
  OpenKey key(scene.ReaderName(name));
  ASSERT_EQ(key.status(), 0U);
  ASSERT_TRUE(dev::IsButtonWait(ChangePin(key, kPin, kNewPin)));
  auto wait =
      std::async(std::launch::async, [&] { return RunButtonWait(key.handle(), kWaitPinChange); });
  ASSERT_TRUE(log.AwaitWaitSockets(1));
  ASSERT_TRUE(log.AwaitLine("WAIT 5 ").has_value());
  EXPECT_EQ(platform::SendExitRequestToAllWaits(), 1);
  ASSERT_EQ(wait.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(wait.get(), WaitResult::kCancelled);
  EXPECT_TRUE(log.WaitSockets().empty());
  EXPECT_EQ(scene.State(name).pin, kPin);
}

TEST(SoftKeyWait, PressOnTheKeyConfirms) {
  test::SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "manual"});
  test::UiLogCapture log;
  OpenKey key(scene.ReaderName(name));
  ASSERT_EQ(key.status(), 0U);
  const uint32_t status = ChangePin(key, kPin, kNewPin);
  ASSERT_TRUE(dev::IsButtonWait(status)) << std::hex << status;
  auto wait = std::async(std::launch::async, [&] {
    return ConfirmOnKey(key.handle(), kWaitPinChange, kResultOfOperation);
  });
  ASSERT_TRUE(log.AwaitLine("WAIT 5 ").has_value());
  scene.Press(name, true);
  ASSERT_EQ(wait.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_TRUE(wait.get().Succeeded());
  EXPECT_EQ(scene.State(name).pin, kNewPin);
}

TEST(SoftKeyWait, PinTriesWarningPrecedesAVerificationAfterWrongPins) {
  test::SoftKeyScene scene;
  const std::string name = scene.AddKey({.button = "ok:3"});
  scene.SetPinState(name, 4, false);
  test::UiLogCapture log;
  OpenKey key(scene.ReaderName(name));
  const uint32_t status = DeviceLibrary::Instance().VerifyPIN(key.handle(), kPin, 8);
  ASSERT_EQ(status, dev::kSwWaitButton);
  EXPECT_EQ(RunPinTriesWarning(key.handle(), 4), WaitResult::kConfirmed);
  uint8_t buffer[32] = {};
  uint32_t length = sizeof buffer;
  EXPECT_EQ(DeviceLibrary::Instance().GetData(key.handle(), buffer, &length, 0), 0U);
  EXPECT_TRUE(scene.State(name).pinVerified);
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0].rfind("WAIT pin ", 0), 0U);
  EXPECT_NE(lines[0].find('4'), std::string::npos);
  EXPECT_EQ(lines[1], "WAITEND pin 1");
}

}  // namespace
}  // namespace kq::ui
