#pragma once
// Entropy from the operating system, to seed mbed TLS's CTR_DRBG: getrandom on Linux,
// BCryptGenRandom on Windows (never CryptoAPI: a provider must not call back into it).

#include <cstddef>
#include <cstdint>

namespace kq::platform {

// Fills length bytes; false when the system gave fewer.
[[nodiscard]] bool OsEntropy(uint8_t* buffer, size_t length);

}  // namespace kq::platform
