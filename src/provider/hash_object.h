#pragma once
// What the host keeps for one hash handle.

#include <array>
#include <cstdint>

namespace kq::provider {

enum class HashState : uint32_t { kNone = 0, kReady = 1, kDataHashed = 2, kValueFixed = 3 };

struct HashObject {
  uint32_t algId = 0;
  uint32_t hashSize = 0;
  HashState state = HashState::kReady;
  std::array<uint8_t, 64> hashValue{};
};

}  // namespace kq::provider
