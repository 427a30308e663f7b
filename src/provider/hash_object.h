#pragma once
// What the host keeps for one hash handle: the running digest, the digest once fixed, and the
// data hashed so far while it can still be a transaction message that the key must sign whole.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "crypto/hash_alg.h"
#include "crypto/hash_base.h"
#include "crypto/transaction_message.h"
#include "kqcsp.h"

namespace kq::provider {

enum class HashState : uint32_t { kNone = 0, kReady = 1, kDataHashed = 2, kValueFixed = 3 };

struct HashObject {
  uint32_t algId = 0;
  HashAlg hashAlg = HashAlg::kSha1;  // what the key is told when it signs
  uint32_t hashSize = 0;
  KqHandle ownerKey = 0;
  HashState state = HashState::kReady;
  std::array<uint8_t, kMaxHashDigestSize> hashValue{};
  std::unique_ptr<CHashBase> engine;  // none for CALG_SSL3_SHAMD5, whose value is set
  bool hasMessage = false;            // data was hashed, and no value set from outside since
  TransactionMessageCandidate message;
  // Held by the one call that uses the hash (see HeldHash): a hash is a sequence of steps, so a
  // second call at the same time, from another thread or from a callback inside the first, is
  // refused rather than let loose on a buffer the first is writing.
  std::mutex inUse;
};

// A hash found for one call and held for that call alone; busy when another call holds it, empty
// when the handle names no hash. The object lives at least as long as this.
class HeldHash {
 public:
  explicit HeldHash(std::shared_ptr<HashObject> hash) : hash_(std::move(hash)) {
    if (hash_ != nullptr && !hash_->inUse.try_lock()) {
      hash_.reset();
      busy_ = true;
    }
  }
  HeldHash(const HeldHash&) = delete;
  HeldHash& operator=(const HeldHash&) = delete;
  ~HeldHash() {
    if (hash_ != nullptr) {
      hash_->inUse.unlock();
    }
  }

  [[nodiscard]] bool busy() const { return busy_; }
  [[nodiscard]] bool found() const { return hash_ != nullptr; }
  HashObject* operator->() const { return hash_.get(); }
  HashObject& operator*() const { return *hash_; }

 private:
  std::shared_ptr<HashObject> hash_;
  bool busy_ = false;
};

// The digest: the fixed value, or the engine's result, which then becomes the fixed value.
std::span<const uint8_t> FinishHash(HashObject& hash);

}  // namespace kq::provider
