#pragma once
// The token chooser (CDlgSelectToken): with several keys attached, the user picks the one to
// use. The caller keeps the reader names; the chooser sees what it shows.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace kq::ui {

struct TokenChoice {
  std::string label;   // the key's label, code page 936
  std::string serial;  // the serial number as the device library returns it
};

// The index of the chosen key in `tokens`, or nullopt when the user cancelled.
std::optional<size_t> ChooseToken(std::span<const TokenChoice> tokens);

}  // namespace kq::ui
