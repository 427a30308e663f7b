// The soft key's key.conf codec; its command-line texts are read by the kqsim integration tests.

#include <gtest/gtest.h>

#include "softkey/key_conf.h"
#include "support/exact_buffer.h"

namespace kq::sim {
namespace {

KeyState SampleState() {
  KeyState state;
  state.serial.assign(16, '7');
  state.identity.assign(16, '3');
  state.factoryLabel = {'l', '=', '\n'};
  state.pin = "ab=\ncd,e";
  state.initialPin = "12345678";
  state.triesLeft = 2;
  state.pinVerified = true;
  state.button = "cancel:2,ok";
  state.initArgument = 0xFFFFFFFFFFFFull;
  return state;
}

TEST(KeyStateCodec, RoundTripsEveryField) {
  const KeyState state = SampleState();
  const std::optional<KeyState> parsed = ParseKeyState(FormatKeyState(state));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(FormatKeyState(*parsed), FormatKeyState(state));
  EXPECT_EQ(parsed->pin, state.pin);
  EXPECT_EQ(parsed->factoryLabel, state.factoryLabel);
  EXPECT_EQ(parsed->initArgument, state.initArgument);
}

TEST(KeyStateCodec, RefusesDamagedFiles) {
  const std::string good = FormatKeyState(SampleState());
  EXPECT_FALSE(ParseKeyState(""));
  EXPECT_FALSE(ParseKeyState("serial=00\n"));
  std::string shortSerial = good;
  shortSerial.replace(shortSerial.find("serial=") + 7, 2, "");
  EXPECT_FALSE(ParseKeyState(shortSerial));
  EXPECT_FALSE(ParseKeyState(good + "tries_max=16\n"));
  EXPECT_FALSE(ParseKeyState(good + "pin_verified=2\n"));
  EXPECT_FALSE(ParseKeyState(good + "no equals sign\n"));
  const std::optional<KeyState> clamped = ParseKeyState(good + "tries_left=9\n");
  ASSERT_TRUE(clamped);
  EXPECT_EQ(clamped->triesLeft, clamped->triesMax);
  EXPECT_TRUE(ParseKeyState(good + "future_setting=1\n")) << "unknown names are kept out";

  // Every truncated file parses or is refused, reading nothing past its end.
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(good.data()), good.size());
  test::ForEachTruncatedPrefix(bytes, [](std::span<const uint8_t> prefix, size_t) {
    (void)ParseKeyState({reinterpret_cast<const char*>(prefix.data()), prefix.size()});
  });
}

}  // namespace
}  // namespace kq::sim
