#pragma once
// Answers for the choosers of a windowless user interface. KQCSP_UI_CHOICES holds them
// comma-separated (a 1-based row number or "cancel"); they are consumed in order within the
// process, and a new value of the variable starts a new queue. (A value set again unchanged is
// not new; a look while the variable is unset forgets the old queue.)

#include <cstddef>
#include <optional>
#include <string_view>

namespace kq::platform {

struct ChoiceAnswer {
  enum class Kind { kRow, kCancel, kUnreadable };
  Kind kind = Kind::kUnreadable;
  size_t row = 0;  // 1-based, for kRow
};

// Reads an answer as a user would type it: surrounding blanks are ignored, "cancel" in any case.
ChoiceAnswer ParseChoice(std::string_view text);

// The next answer of KQCSP_UI_CHOICES; nullopt when none is left.
std::optional<ChoiceAnswer> NextQueuedChoice();

}  // namespace kq::platform
