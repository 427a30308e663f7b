#pragma once
// Random bytes for the provider and for fresh container names: mbed TLS's CTR_DRBG, seeded from
// the operating system's entropy for every request.

#include <cstdint>
#include <span>

namespace kq {

// Fills the whole buffer; false (buffer wiped) when no entropy could be had.
[[nodiscard]] bool RandomBytes(std::span<uint8_t> buffer);

}  // namespace kq
