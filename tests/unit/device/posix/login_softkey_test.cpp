// The PIN login against the soft key and its own PIN-entry library (answers from KQSIM_PIN).

#include <gtest/gtest.h>

#include "device/login.h"
#include "support/login_watch.h"

namespace kq {
namespace {

using Boxes = std::vector<std::string>;
using Broadcasts = std::vector<uint64_t>;

constexpr char kPin[] = "12345678";
constexpr char kWrongPin[] = "87654321";

class SoftKeyLogin : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = watch_.scene.AddKey({.pin = kPin, .tries = 6, .button = "ok:1"});
    reader_ = watch_.scene.ReaderName(key_);
    ASSERT_TRUE(watch_.notifications.ready());
    ASSERT_EQ(session_.Open(reader_), 0u);
  }
  void TearDown() override {
    session_.Close();
    EXPECT_EQ(watch_.scene.OpenHandles(key_), 0);
  }

  LoginOutcome LogIn(std::string readerName, LoginMode mode) {
    return Login(session_, readerName, mode, ReaderNameCase::kAsGiven).outcome;
  }

  test::LoginWatch watch_;
  std::string key_;
  std::string reader_;
  DeviceSession session_;
};

TEST_F(SoftKeyLogin, WrongPinThenRightPin) {
  watch_.scene.SetPinAnswers(std::string(kWrongPin) + "," + kPin);
  EXPECT_EQ(LogIn(reader_, LoginMode::kAlways), LoginOutcome::kSuccess);
  EXPECT_TRUE(session_.isOpen());
  EXPECT_EQ(watch_.MessageBoxes(), Boxes{test::kWrongPinBox5});
  EXPECT_EQ(watch_.RefreshPinBroadcasts(), (Broadcasts{0x05, 0x06}));
  EXPECT_TRUE(watch_.scene.State(key_).pinVerified);
  EXPECT_EQ(watch_.scene.State(key_).triesLeft, 6u);
}

TEST_F(SoftKeyLogin, CancelledUnavailableAndLockedLoginsCloseTheSession) {
  watch_.scene.SetPinAnswers("cancel,unavailable");
  EXPECT_EQ(LogIn(reader_, LoginMode::kAlways), LoginOutcome::kCancelled);
  EXPECT_FALSE(session_.isOpen());
  ASSERT_EQ(session_.Open(reader_), 0u);
  EXPECT_EQ(LogIn(reader_, LoginMode::kAlways), LoginOutcome::kFailed);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());
  watch_.scene.SetPinState(key_, 1, false);
  watch_.scene.SetPinAnswers(kWrongPin);
  ASSERT_EQ(session_.Open(reader_), 0u);
  EXPECT_EQ(LogIn(reader_, LoginMode::kAlways), LoginOutcome::kLocked);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_EQ(watch_.MessageBoxes(), (Boxes{test::kFailedBox, test::kLockedBox}));
  EXPECT_EQ(watch_.scene.State(key_).triesLeft, 0u);
}

TEST_F(SoftKeyLogin, ModeOneKeepsAVerifiedKeyOpenWithoutAsking) {
  watch_.scene.SetPinState(key_, std::nullopt, true);
  watch_.scene.SetPinAnswers("cancel");  // would end the login if it were asked
  const ZANT_HANDLE before = session_.handle();
  EXPECT_EQ(LogIn(reader_, LoginMode::kIfNotLoggedIn), LoginOutcome::kSuccess);
  EXPECT_EQ(session_.handle(), before);
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());

  // Mode 4 asks even so.
  EXPECT_EQ(LogIn(reader_, LoginMode::kAlways), LoginOutcome::kCancelled);
}

TEST_F(SoftKeyLogin, VerifiedPinIsReportedAndASixteenCharacterReaderNameFails) {
  watch_.scene.SetPinAnswers(kPin);
  EXPECT_EQ(LogIn("ORV ZANTULDCCID ", LoginMode::kAlways), LoginOutcome::kFailed);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());
  ASSERT_EQ(session_.Open(reader_), 0u);
  std::string name = reader_;
  const LoginResult result = Login(session_, name, LoginMode::kAlways, ReaderNameCase::kUpperCase);
  EXPECT_EQ(result.outcome, LoginOutcome::kSuccess);
  EXPECT_TRUE(result.pinVerified);
  EXPECT_TRUE(session_.isOpen());
  EXPECT_EQ(watch_.RefreshPinBroadcasts(), Broadcasts{0x06});
}

}  // namespace
}  // namespace kq
