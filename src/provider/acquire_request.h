#pragma once
// What a CPAcquireContext call asks for, read from its flags and container name before any key
// is touched.

#include <cstdint>
#include <string>

namespace kq::provider {

inline constexpr uint32_t kCryptNewKeyset = 0x8;
inline constexpr uint32_t kCryptDeleteKeyset = 0x10;
inline constexpr uint32_t kCryptMachineKeyset = 0x20;
inline constexpr uint32_t kCryptSilent = 0x40;
inline constexpr uint32_t kCryptVerifyContext = 0xF0000000;

inline constexpr size_t kMaxContainerNameLength = 512;

enum class AcquireMode { kOpen, kCreate, kDelete, kVerify };

struct AcquireRequest {
  AcquireMode mode = AcquireMode::kOpen;
  std::string containerName;    // empty when the caller named none
  bool containerGiven = false;  // pszContainer was not null
  bool silent = false;
};

// Reads flags and container name ("\\.\reader\container" names the container after the reader
// part, which plays no role); 0 or NTE_BAD_FLAGS / NTE_BAD_KEYSET_PARAM.
uint32_t ParseAcquireRequest(const char* pszContainer, uint32_t flags, AcquireRequest& out);

}  // namespace kq::provider
