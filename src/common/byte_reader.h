#pragma once
// A bounded cursor over outside bytes. Every read checks what is left first and reports failure
// instead of reading past the end; every parser of device files, DER, texts and blobs uses it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kq {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  [[nodiscard]] size_t remaining() const { return bytes_.size() - pos_; }
  [[nodiscard]] bool empty() const { return remaining() == 0; }
  [[nodiscard]] size_t position() const { return pos_; }
  [[nodiscard]] std::span<const uint8_t> rest() const { return bytes_.subspan(pos_); }

  [[nodiscard]] bool u8(uint8_t& out) {
    if (remaining() < 1) {
      return false;
    }
    out = bytes_[pos_++];
    return true;
  }

  [[nodiscard]] bool peek(uint8_t& out) const {
    if (remaining() < 1) {
      return false;
    }
    out = bytes_[pos_];
    return true;
  }

  [[nodiscard]] bool be16(uint16_t& out) {
    if (remaining() < 2) {
      return false;
    }
    out = static_cast<uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
    pos_ += 2;
    return true;
  }

  // A 16-bit number in the machine's own byte order, as the device library states sizes.
  [[nodiscard]] bool ne16(uint16_t& out) {
    if (remaining() < 2) {
      return false;
    }
    std::memcpy(&out, bytes_.data() + pos_, sizeof out);
    pos_ += 2;
    return true;
  }

  [[nodiscard]] bool be32(uint32_t& out) {
    if (remaining() < 4) {
      return false;
    }
    out = (uint32_t{bytes_[pos_]} << 24) | (uint32_t{bytes_[pos_ + 1]} << 16) |
          (uint32_t{bytes_[pos_ + 2]} << 8) | uint32_t{bytes_[pos_ + 3]};
    pos_ += 4;
    return true;
  }

  // Takes n bytes as a view into the input; fails (taking nothing) when fewer are left.
  [[nodiscard]] bool take(size_t n, std::span<const uint8_t>& out) {
    if (remaining() < n) {
      return false;
    }
    out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
  }

  [[nodiscard]] bool skip(size_t n) {
    if (remaining() < n) {
      return false;
    }
    pos_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace kq
