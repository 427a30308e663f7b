#pragma once
// The algorithms the provider lists through PP_ENUMALGS (32-byte PROV_ENUMALGS records) and
// PP_ENUMALGS_EX (88-byte PROV_ENUMALGS_EX records), both in the same ten rows.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kq::provider {

inline constexpr size_t kEnumAlgsRecordSize = 32;
inline constexpr size_t kEnumAlgsExRecordSize = 88;
inline constexpr uint32_t kAlgorithmCount = 10;

// Row n of each table as the caller receives it, numbers in host order, names zero-padded.
std::array<uint8_t, kEnumAlgsRecordSize> EnumAlgsRecord(uint32_t row);
std::array<uint8_t, kEnumAlgsExRecordSize> EnumAlgsExRecord(uint32_t row);

}  // namespace kq::provider
