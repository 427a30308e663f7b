// The PIN login against the soft key and its own PIN-entry library (answers from KQSIM_PIN): the
// message boxes, the refresh-PIN broadcasts and whether the session stays open. (Each status of a
// PIN entry, and the reader names, are mapped in fixtures/scripted_pinentry; the soft PIN entry's
// statuses for each answer are in integration/softkey.)
#include <gtest/gtest.h>

#include "device/login.h"
#include "support/login_watch.h"

namespace kq {
namespace {

using Boxes = std::vector<std::string>;
using Broadcasts = std::vector<uint64_t>;

class SoftKeyLogin : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = watch_.scene.AddKey({.pin = "12345678", .tries = 6, .button = "ok:1"});
    reader_ = watch_.scene.ReaderName(key_);
    ASSERT_TRUE(watch_.notifications.ready());
  }
  // Opens a session and logs in with the given answers.
  LoginResult LogIn(const std::string& answers, LoginMode mode) {
    watch_.scene.SetPinAnswers(answers);
    if (!session_.isOpen()) {
      EXPECT_EQ(session_.Open(reader_), 0u);
    }
    return Login(session_, reader_, mode, ReaderNameCase::kAsGiven);
  }
  void TearDown() override {
    session_.Close();
    EXPECT_EQ(watch_.scene.OpenHandles(key_), 0);
  }
  test::LoginWatch watch_;
  std::string key_;
  std::string reader_;
  DeviceSession session_;
};

// A wrong PIN then the right one: the tries box, broadcasts 5 then 6, tries restored. Mode 1
// keeps a verified key open without asking; mode 4 asks even so.
TEST_F(SoftKeyLogin, WrongPinThenRightPinAndModeOneKeepsAVerifiedKey) {
  EXPECT_EQ(LogIn("87654321,12345678", LoginMode::kAlways).outcome, LoginOutcome::kSuccess);
  EXPECT_TRUE(session_.isOpen());
  EXPECT_EQ(watch_.MessageBoxes(), Boxes{test::kWrongPinBox5});
  EXPECT_EQ(watch_.RefreshPinBroadcasts(), (Broadcasts{0x05, 0x06}));
  EXPECT_TRUE(watch_.scene.State(key_).pinVerified);
  EXPECT_EQ(watch_.scene.State(key_).triesLeft, 6u);
  const ZANT_HANDLE before = session_.handle();
  EXPECT_EQ(LogIn("cancel", LoginMode::kIfNotLoggedIn).outcome, LoginOutcome::kSuccess);
  EXPECT_EQ(session_.handle(), before);
  EXPECT_EQ(watch_.RefreshPinBroadcasts().size(), 2u);
  EXPECT_EQ(LogIn("cancel", LoginMode::kAlways).outcome, LoginOutcome::kCancelled);
  EXPECT_FALSE(session_.isOpen());
}

}  // namespace
}  // namespace kq
