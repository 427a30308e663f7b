#pragma once
// The key's PIN counter: a right PIN restores every try and verifies the key; a wrong one costs a
// try, clears the verified state and answers 0x630n with n the tries left, or 0x6983 when it used
// the last try. A locked key answers 0x6983 without counting.

#include <cstdint>
#include <string_view>

#include "softkey/key_conf.h"

namespace kq::sim {

uint32_t CheckPin(KeyState& state, std::string_view pin);

// True when the PIN is the key's (no counting); for checks of a PIN that is then replaced.
bool PinMatches(const KeyState& state, std::string_view pin);

}  // namespace kq::sim
