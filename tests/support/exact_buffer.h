#pragma once
// A heap copy of exactly n bytes, so that AddressSanitizer reports any read past its end. Parser
// tests re-parse every truncated prefix of a valid input through it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace kq::test {

class ExactBuffer {
 public:
  ExactBuffer(std::span<const uint8_t> bytes, size_t size)
      : data_(std::make_unique<uint8_t[]>(size)), size_(size) {
    const size_t copied = size < bytes.size() ? size : bytes.size();
    if (copied > 0) {
      std::memcpy(data_.get(), bytes.data(), copied);
    }
  }
  explicit ExactBuffer(std::span<const uint8_t> bytes) : ExactBuffer(bytes, bytes.size()) {}

  [[nodiscard]] std::span<const uint8_t> span() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t size_;
};

// Calls parse(prefix) for every prefix of `bytes` shorter than the whole, each in its own
// exactly sized buffer.
template <typename Parse>
void ForEachTruncatedPrefix(std::span<const uint8_t> bytes, Parse parse) {
  for (size_t n = 0; n < bytes.size(); ++n) {
    const ExactBuffer prefix(bytes, n);
    parse(prefix.span(), n);
  }
}

}  // namespace kq::test
