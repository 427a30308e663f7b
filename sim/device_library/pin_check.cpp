#include "device_library/pin_check.h"

#include "common/codes_device.h"

namespace kq::sim {

bool PinMatches(const KeyState& state, std::string_view pin) {
  // Compared in full whatever the first difference, like a card would.
  if (pin.size() != state.pin.size()) {
    return false;
  }
  unsigned difference = 0;
  for (size_t i = 0; i < pin.size(); ++i) {
    difference |=
        static_cast<unsigned>(static_cast<uint8_t>(pin[i]) ^ static_cast<uint8_t>(state.pin[i]));
  }
  return difference == 0;
}

uint32_t CheckPin(KeyState& state, std::string_view pin) {
  if (state.triesLeft == 0) {
    return dev::kSwPinLocked;
  }
  if (PinMatches(state, pin)) {
    state.triesLeft = state.triesMax;
    state.pinVerified = true;
    return dev::kOk;
  }
  --state.triesLeft;
  state.pinVerified = false;
  if (state.triesLeft == 0) {
    return dev::kSwPinLocked;
  }
  return 0x6300 | (state.triesLeft & 0xF);
}

}  // namespace kq::sim
