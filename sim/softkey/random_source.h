#pragma once
// The soft key's random numbers in mbed TLS's f_rng form, for key generation and signing: the
// project's own generator (kq::RandomBytes, CTR_DRBG over the system's entropy).

#include <cstddef>

namespace kq::sim {

// p_rng is unused; returns 0 or an mbed TLS error.
int RandomCallback(void* unused, unsigned char* buffer, size_t length);

}  // namespace kq::sim
