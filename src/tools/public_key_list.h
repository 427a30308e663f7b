#pragma once
// The public-key list that KQ_GetPubKeySignValue receives: items of a 16-bit big-endian length and
// the modulus, a 16-bit length and the exponent, separated by "||"; the data ends after the last
// item or with exactly two blanks. A separator is followed by at least 5 more bytes.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq::tools {

struct ListedPublicKey {
  std::span<const uint8_t> modulus;
  std::span<const uint8_t> exponent;
};

// Empty when the list is malformed or holds no item. The spans point into the input.
[[nodiscard]] std::optional<std::vector<ListedPublicKey>> ParsePublicKeyList(
    std::span<const uint8_t> list);

}  // namespace kq::tools
