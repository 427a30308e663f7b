#pragma once
// Where the soft PIN-entry library gets its answers. KQSIM_PIN holds comma-separated answers
// (an 8-character PIN, "cancel" or "unavailable"), taken in order within the process; the last
// one repeats. A new value of the variable starts a new queue. Without the variable the PIN is
// asked for on the terminal when standard input is one; otherwise PIN entry is unavailable.

#include <string_view>

#include "common/secret.h"

namespace kq::sim {

inline constexpr char kPinAnswersVariable[] = "KQSIM_PIN";

enum class PinAnswerKind { kPin, kCancel, kUnavailable };

struct PinAnswer {
  PinAnswerKind kind = PinAnswerKind::kUnavailable;
  SecretString pin;
};

PinAnswer NextPinAnswer(std::string_view prompt);

}  // namespace kq::sim
