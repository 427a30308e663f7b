#pragma once
// Re-parses every truncated prefix of a valid input from an exactly sized heap buffer, so that
// AddressSanitizer reports any read past the end of what a parser was given.

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace kq::test {

// Calls parse(pointer, size) for every size from 0 to input.size(); each prefix lives in its own
// allocation of exactly that size (a null pointer for size 0).
template <typename Parse>
void ForEachTruncatedPrefix(std::span<const uint8_t> input, Parse parse) {
  for (size_t size = 0; size <= input.size(); ++size) {
    std::unique_ptr<uint8_t[]> copy;
    if (size != 0) {
      copy = std::make_unique<uint8_t[]>(size);
      std::memcpy(copy.get(), input.data(), size);
    }
    parse(static_cast<const uint8_t*>(copy.get()), size);
  }
}

}  // namespace kq::test
