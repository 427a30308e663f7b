#pragma once
// The certificate directory, file 0xD000: exactly 70 bytes, 10 entries of 7 bytes, entry n at
// offset 7·n, big-endian: total length (2), file id (2), subject length (2), key number (1).
// The file an entry names holds the subject text followed by the DER certificate.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq::store {

inline constexpr uint32_t kCertificateDirectoryFile = 0xD000;
inline constexpr size_t kDirectoryEntrySize = 7;
inline constexpr size_t kDirectoryEntryCount = 10;
inline constexpr size_t kCertificateDirectorySize = kDirectoryEntrySize * kDirectoryEntryCount;

struct DirectoryEntry {
  uint16_t totalLength = 0xFFFF;
  uint16_t fileId = 0xFFFF;
  uint16_t subjectLength = 0xFFFF;
  uint8_t keyNumber = 0xFF;

  [[nodiscard]] bool isFree() const {
    return fileId == 0 || fileId == 0xFFFF || keyNumber == 0 || keyNumber == 0xFF;
  }
  bool operator==(const DirectoryEntry&) const = default;
};

// A removed entry: 7 bytes 0xFF.
inline constexpr DirectoryEntry kRemovedDirectoryEntry{};

// The entries of a directory; nothing unless it is exactly 70 bytes long.
std::optional<std::vector<DirectoryEntry>> ParseCertificateDirectory(
    std::span<const uint8_t> bytes);
std::array<uint8_t, kDirectoryEntrySize> EncodeDirectoryEntry(const DirectoryEntry& entry);

}  // namespace kq::store
