#pragma once
// The key chooser (CDlgDeleteKey): all five key slots are in use, so the user picks the key pair
// (and with it its certificate) that a new pair will overwrite. The caller keeps its list and
// reads key number, usage and container of the chosen entry from it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kq::ui {

inline constexpr uint8_t kKeyUsageSignature = 2;

struct KeyChoice {
  std::string subject;        // code page 936; empty when the key has no certificate
  std::string containerName;  // code page 936; empty when no container holds the key
  uint8_t usage = 0;          // 2 signature, 1 exchange, 0 unknown
  uint32_t keyBits = 0;
};

// The index of the chosen key pair in `keys`, or nullopt when the user cancelled.
std::optional<size_t> ChooseKeyToOverwrite(std::span<const KeyChoice> keys);

}  // namespace kq::ui
