#pragma once
// The system's own message digests: OpenSSL's EVP on Linux, CNG (BCrypt) on Windows, the
// system's validated implementations, which use the processor's hashing instructions. They give
// the same results as any correct implementation, so the hash classes hash documents at the
// machine's speed.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kq::platform {

enum class DigestKind { kMd5, kSha1, kSha256, kSha384, kSha512 };

// The digest size in bytes: 16, 20, 32, 48 or 64.
[[nodiscard]] constexpr uint32_t DigestSize(DigestKind kind) {
  switch (kind) {
    case DigestKind::kMd5:
      return 16;
    case DigestKind::kSha1:
      return 20;
    case DigestKind::kSha256:
      return 32;
    case DigestKind::kSha384:
      return 48;
    case DigestKind::kSha512:
      return 64;
  }
  return 0;
}

// One running digest; started when made. The engines cannot fail for data in memory once made;
// an engine the system could not make digests nothing and finishes with zero bytes.
class DigestEngine {
 public:
  explicit DigestEngine(DigestKind kind);
  DigestEngine(const DigestEngine&) = delete;
  DigestEngine& operator=(const DigestEngine&) = delete;
  ~DigestEngine();

  // Starts a new digest, dropping anything hashed so far.
  void Start();
  void Update(const uint8_t* data, size_t length);
  // Writes DigestSize(kind) bytes; Start again before reuse.
  void Finish(uint8_t* out);

 private:
  struct State;  // the backend's context
  DigestKind kind_;
  std::unique_ptr<State> state_;
};

}  // namespace kq::platform
