#pragma once
// Fresh container names: 16 random bytes in GUID form, 36 lowercase characters, unique among
// the names already on the key (compared without regard to letter case).

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kq::store {

// Fills `out` with random bytes; false when none could be had.
using RandomSource = bool (*)(void* context, std::span<uint8_t> out);

// "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x"
std::string FormatGuidName(const std::array<uint8_t, 16>& bytes);

// A name that differs from every existing one; each candidate takes the next 16 bytes of the
// system's random generator. kDeviceFailed when no random bytes could be had, or when no unique
// name came out of a bounded number of draws (only a broken generator gets there).
uint32_t NewContainerName(std::span<const std::string> existing, std::string& name);

// The same with another source of random bytes.
uint32_t NewContainerName(std::span<const std::string> existing, std::string& name,
                          RandomSource source, void* context);

}  // namespace kq::store
