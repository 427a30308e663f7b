#pragma once
// Buffers for PINs and key material: they wipe themselves when they are released.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

// Overwrites memory in a way the optimiser may not drop (mbed TLS's platform zeroize).
void WipeMemory(void* data, size_t size);

class SecretBytes {
 public:
  SecretBytes() = default;
  explicit SecretBytes(size_t size) : bytes_(size) {}
  SecretBytes(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  SecretBytes& operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
      clear();
      bytes_ = std::move(other.bytes_);
    }
    return *this;
  }
  ~SecretBytes() { clear(); }

  void clear() {
    WipeMemory(bytes_.data(), bytes_.size());
    bytes_.clear();
  }
  void resize(size_t size) {
    // Grow through a fresh buffer so the old contents never linger in freed memory.
    std::vector<uint8_t> next(size);
    std::copy_n(bytes_.begin(), std::min(size, bytes_.size()), next.begin());
    clear();
    bytes_ = std::move(next);
  }
  [[nodiscard]] uint8_t* data() { return bytes_.data(); }
  [[nodiscard]] const uint8_t* data() const { return bytes_.data(); }
  [[nodiscard]] size_t size() const { return bytes_.size(); }
  [[nodiscard]] bool empty() const { return bytes_.empty(); }
  uint8_t& operator[](size_t i) { return bytes_[i]; }
  const uint8_t& operator[](size_t i) const { return bytes_[i]; }

 private:
  std::vector<uint8_t> bytes_;
};

// A PIN or other secret text; wiped when released.
class SecretString {
 public:
  SecretString() = default;
  // The caller's text is moved in and its buffer wiped: a short text would otherwise stay behind
  // in the caller's small-string buffer (taken by value, only a copy's would be wiped).
  explicit SecretString(std::string&& text) : text_(std::move(text)) { WipeString(text); }
  SecretString(const char* data, size_t size) : text_(data, size) {}
  SecretString(const SecretString&) = delete;
  SecretString& operator=(const SecretString&) = delete;
  SecretString(SecretString&& other) noexcept : text_(std::move(other.text_)) { other.clear(); }
  SecretString& operator=(SecretString&& other) noexcept {
    if (this != &other) {
      clear();
      text_ = std::move(other.text_);
      other.clear();
    }
    return *this;
  }
  ~SecretString() { clear(); }

  void clear() {
    WipeString(text_);
    text_.clear();
  }
  [[nodiscard]] const std::string& str() const { return text_; }
  [[nodiscard]] const char* c_str() const { return text_.c_str(); }
  [[nodiscard]] size_t size() const { return text_.size(); }
  [[nodiscard]] bool empty() const { return text_.empty(); }

 private:
  // The whole buffer, not just the text: a move leaves a short text's characters in the
  // moved-from small-string buffer with the length set to 0.
  static void WipeString(std::string& text) { WipeMemory(text.data(), text.capacity()); }

  std::string text_;
};

}  // namespace kq
