#pragma once
// The soft key's random numbers: one mbed TLS CTR_DRBG per process, seeded from the system's
// entropy, created on first use and shared under a lock.

#include <cstddef>
#include <cstdint>

namespace kq::sim {

// Fills the buffer; false when the generator failed.
[[nodiscard]] bool RandomBytes(uint8_t* buffer, size_t length);

// The generator in mbed TLS's f_rng form, for key generation and signing; p_rng is unused.
int RandomCallback(void* unused, unsigned char* buffer, size_t length);

}  // namespace kq::sim
