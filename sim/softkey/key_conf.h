#pragma once
// The settings and PIN state of one soft key, kept in key.conf as "name=value" lines (byte
// strings in hex). Files and key pairs live beside it (soft_key.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

inline constexpr size_t kSerialSize = 16;
inline constexpr size_t kMediaIdSize = 12;
inline constexpr size_t kPinSize = 8;
inline constexpr size_t kLabelSize = 32;
inline constexpr uint32_t kDefaultTries = 6;
inline constexpr uint32_t kDefaultCountdown = 300;  // tenths of a second a button wait lasts
inline constexpr uint32_t kDefaultMaxFileSize = 8192;
inline constexpr uint32_t kDefaultCapacity = 65000;

struct KeyState {
  std::vector<uint8_t> serial;        // 16 bytes; the first 12 are the media id
  std::vector<uint8_t> identity;      // 16 bytes; the first 12 equal the serial's
  std::vector<uint8_t> factoryLabel;  // what 0xD003 holds after creation or initialisation
  std::string pin;
  std::string initialPin;
  uint32_t triesMax = kDefaultTries;
  uint32_t triesLeft = kDefaultTries;
  bool pinVerified = false;
  std::string button = "ok:1";  // the button policy (button_policy.h)
  uint32_t countdown = kDefaultCountdown;
  uint32_t language = 0;
  uint64_t initArgument = 0;  // the caller's value of the last ZANT_InitDev
  uint32_t initCount = 0;
  uint32_t maxFileSize = kDefaultMaxFileSize;
  uint32_t capacity = kDefaultCapacity;
  // A key of usage 2 signs only through the transaction operation, which shows the transaction
  // and waits for "OK" (zant_signing.cpp).
  bool strictUsage = false;
};

std::string FormatKeyState(const KeyState& state);
// Nothing when a required field (serial, identity, pin) is missing or any value is malformed.
std::optional<KeyState> ParseKeyState(std::string_view text);

}  // namespace kq::sim
