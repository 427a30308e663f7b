#pragma once
// Small text operations the tool exports' input formats share: trimming blanks, splitting at a
// separator, and keyword comparison without regard to ASCII letter case.

#include <string_view>
#include <vector>

namespace kq::tools {

[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

// Every piece between separators, including empty ones. Text that is not UTF-8 is read as code
// page 936, whose double-byte characters never hold a separator.
[[nodiscard]] std::vector<std::string_view> SplitAt(std::string_view text,
                                                    std::string_view separator);

// The same length and the same letters, A to Z compared without regard to case.
[[nodiscard]] bool SameKeyword(std::string_view text, std::string_view keyword);

}  // namespace kq::tools
