#pragma once
// A test hook: keys unplugged and plugged while the PIN entry is up, so that a test can swap the
// key behind a reader name at the worst moment without timing tricks. KQSIM_PIN_SWAP holds
// comma-separated steps "unplug:KEY" and "plug:NAME" (kqsim unplug and plug); UI_LoginA runs them
// before it takes each answer (a step that cannot be done, such as unplugging a key that is out
// already, is reported on standard error and ends the steps). Unset: nothing.

namespace kq::sim {

inline constexpr char kPinSwapVariable[] = "KQSIM_PIN_SWAP";

void RunPinSwapHook();

}  // namespace kq::sim
