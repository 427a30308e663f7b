#pragma once
// A bank transaction message as the key hashes it behind its button: the fields "02" (four
// bytes), "01" and "00", each its tag, its length in 16 decimal digits, and its bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kq::test {

inline std::vector<uint8_t> TransactionMessage(std::string_view first, std::string_view second,
                                               std::string_view third) {
  std::string text;
  for (const auto& [tag, value] : {std::pair{"02", first}, {"01", second}, {"00", third}}) {
    const std::string length = std::to_string(value.size());
    text += tag + std::string(16 - length.size(), '0') + length + std::string(value);
  }
  return {text.begin(), text.end()};
}

}  // namespace kq::test
