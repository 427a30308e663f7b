// The PIN login against the soft key and its own PIN-entry library (answers from KQSIM_PIN).

#include <gtest/gtest.h>

#include "common/codes_cryptoapi.h"
#include "common/codes_tools.h"
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

  test::LoginWatch watch_;
  std::string key_;
  std::string reader_;
  DeviceSession session_;
};

TEST_F(SoftKeyLogin, WrongPinThenRightPin) {
  watch_.scene.SetPinAnswers(std::string(kWrongPin) + "," + kPin);
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kAlways), tool::kOk);
  EXPECT_TRUE(session_.isOpen());
  EXPECT_EQ(watch_.MessageBoxes(), Boxes{test::kWrongPinBox5});
  EXPECT_EQ(watch_.RefreshPinBroadcasts(), (Broadcasts{0x05, 0x06}));
  EXPECT_TRUE(watch_.scene.State(key_).pinVerified);
  EXPECT_EQ(watch_.scene.State(key_).triesLeft, 6u);
}

TEST_F(SoftKeyLogin, CancelledUnavailableAndLockedLoginsCloseTheSession) {
  watch_.scene.SetPinAnswers("cancel,unavailable");
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kAlways), tool::kCancelledByUser);
  EXPECT_FALSE(session_.isOpen());
  ASSERT_EQ(session_.Open(reader_), 0u);
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kAlways), tool::kLoginFailed);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());
  watch_.scene.SetPinState(key_, 1, false);
  watch_.scene.SetPinAnswers(kWrongPin);
  ASSERT_EQ(session_.Open(reader_), 0u);
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kAlways), tool::kPinLocked);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_EQ(watch_.MessageBoxes(), (Boxes{test::kFailedBox, test::kLockedBox}));
  EXPECT_EQ(watch_.scene.State(key_).triesLeft, 0u);
  ASSERT_EQ(session_.Open(reader_), 0u);
  ProviderLoginRequest request{reader_};
  EXPECT_FALSE(LoginForProvider(request, session_, LoginMode::kAlways));
  EXPECT_EQ(request.error, win::kScardChvBlocked);
}

TEST_F(SoftKeyLogin, ModeOneKeepsAVerifiedKeyOpenWithoutAsking) {
  watch_.scene.SetPinState(key_, std::nullopt, true);
  watch_.scene.SetPinAnswers("cancel");  // would end the login if it were asked
  const ZANT_HANDLE before = session_.handle();
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kIfNotLoggedIn), tool::kOk);
  EXPECT_EQ(session_.handle(), before);
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());

  // Mode 4 asks even so.
  EXPECT_EQ(LoginForTool(session_, reader_, LoginMode::kAlways), tool::kCancelledByUser);
}

TEST_F(SoftKeyLogin, ProviderLoginSetsLoggedInAndASixteenCharacterReaderNameFails) {
  watch_.scene.SetPinAnswers(kPin);
  EXPECT_EQ(LoginForTool(session_, "ORV ZANTULDCCID ", LoginMode::kAlways), tool::kLoginFailed);
  EXPECT_FALSE(session_.isOpen());
  EXPECT_TRUE(watch_.RefreshPinBroadcasts().empty());
  ASSERT_EQ(session_.Open(reader_), 0u);
  ProviderLoginRequest request{reader_};
  EXPECT_TRUE(LoginForProvider(request, session_, LoginMode::kAlways));
  EXPECT_TRUE(request.loggedIn);
  EXPECT_EQ(request.error, 0u);
  EXPECT_TRUE(session_.isOpen());
  EXPECT_EQ(watch_.RefreshPinBroadcasts(), Broadcasts{0x06});
}

}  // namespace
}  // namespace kq
