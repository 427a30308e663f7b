#pragma once
// Distinguished names as the bank's tools write them: "CN=name, OU=unit, ..." with the types
// CN, OU, T, O and C. Used to compare a certificate's subject text with a caller's DN.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

struct DnComponent {
  std::string type;
  std::string value;
};

// Components separated by ",", each trimmed of blanks and split at its first "="; type and
// value trimmed and non-empty; the type one of CN, OU, T, O, C in any letter case. Order kept.
// Nothing when any component breaks these rules.
std::optional<std::vector<DnComponent>> ParseDnText(std::string_view text);

// Compares two DN texts ignoring component order, letter case and blanks around types and
// values. Trailing NUL bytes in the given lengths are dropped. Returns 0 equal, 1 different,
// -1 when a text is null, empty or does not parse.
int DnEqual(const char* first, int32_t firstLength, const char* second, int32_t secondLength);

}  // namespace kq
