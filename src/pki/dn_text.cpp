#include "pki/dn_text.h"

#include <array>

namespace kq {
namespace {

constexpr std::array<std::string_view, 5> kTypes = {"CN", "OU", "T", "O", "C"};

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool KnownType(std::string_view type) {
  for (std::string_view known : kTypes) {
    if (SameLetters(type, known)) {
      return true;
    }
  }
  return false;
}

// The text up to its trailing NUL bytes; nothing for a null text or a negative length.
std::optional<std::string_view> WithoutTrailingNuls(const char* text, int32_t length) {
  if (text == nullptr || length < 0) {
    return std::nullopt;
  }
  std::string_view view(text, static_cast<size_t>(length));
  while (!view.empty() && view.back() == '\0') {
    view.remove_suffix(1);
  }
  return view;
}

}  // namespace

std::optional<std::vector<DnComponent>> ParseDnText(std::string_view text) {
  std::vector<DnComponent> components;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view piece =
        TrimBlanks(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      return std::nullopt;
    }
    const std::string_view type = TrimBlanks(piece.substr(0, equals));
    const std::string_view value = TrimBlanks(piece.substr(equals + 1));
    if (type.empty() || value.empty() || !KnownType(type)) {
      return std::nullopt;
    }
    components.push_back({std::string(type), std::string(value)});
    if (comma == std::string_view::npos) {
      return components;
    }
    start = comma + 1;
  }
}

int DnEqual(const char* first, int32_t firstLength, const char* second, int32_t secondLength) {
  const auto firstText = WithoutTrailingNuls(first, firstLength);
  const auto secondText = WithoutTrailingNuls(second, secondLength);
  if (!firstText || !secondText || firstText->empty() || secondText->empty()) {
    return -1;
  }
  const auto firstList = ParseDnText(*firstText);
  auto secondList = ParseDnText(*secondText);
  if (!firstList || !secondList || firstList->empty() || secondList->empty()) {
    return -1;
  }
  if (firstList->size() != secondList->size()) {
    return 1;
  }
  for (const DnComponent& component : *firstList) {
    bool found = false;
    for (auto it = secondList->begin(); it != secondList->end(); ++it) {
      if (SameLetters(component.type, it->type) && SameLetters(component.value, it->value)) {
        secondList->erase(it);
        found = true;
        break;
      }
    }
    if (!found) {
      return 1;
    }
  }
  return 0;
}

}  // namespace kq
