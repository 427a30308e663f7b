#pragma once
// How a soft key's buttons answer its waits, counted in polls of ZANT_GetDevState rather than in
// seconds so that tests never wait on the clock.
//
// A policy is a comma-separated list of steps; each wait takes the first step, and the list
// moves on by one step per wait until only the last step is left, which then repeats:
//   ok[:n]       "OK" is pressed: n polls report waiting, the next reports OK (n defaults to 1)
//   cancel[:n]   "C" is pressed after n waiting polls
//   timeout[:n]  the key times out after n waiting polls (default: the key's whole countdown)
//   fail[:n]     the key fails (state 5) after n waiting polls
//   manual[:n]   waits for `kqsim press` for up to n polls (default: the countdown), then times out
//   none         no wait at all: the operation completes at once and answers 0

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

enum class ButtonAction { kOk, kCancel, kTimeout, kFail, kManual, kNone };

struct ButtonStep {
  ButtonAction action = ButtonAction::kOk;
  std::optional<uint32_t> polls;  // unset: the action's default
};

std::optional<std::vector<ButtonStep>> ParseButtonPolicy(std::string_view text);
std::string FormatButtonPolicy(const std::vector<ButtonStep>& steps);
std::string_view ButtonActionName(ButtonAction action);

// Takes the step for the next wait from a policy text and returns the policy that remains.
struct TakenStep {
  ButtonStep step;
  std::string remaining;
};
std::optional<TakenStep> TakeButtonStep(std::string_view policy);

// What a button press written by `kqsim press` asks for.
enum class ButtonPress { kOk, kCancel };
std::optional<ButtonPress> ParseButtonPress(std::string_view text);

}  // namespace kq::sim
