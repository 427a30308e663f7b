#include "store/certificate_directory_entry.h"

#include "common/byte_reader.h"

namespace kq::store {

std::optional<std::vector<DirectoryEntry>> ParseCertificateDirectory(
    std::span<const uint8_t> bytes) {
  if (bytes.size() != kCertificateDirectorySize) {
    return std::nullopt;
  }
  std::vector<DirectoryEntry> entries;
  ByteReader reader(bytes);
  DirectoryEntry entry;
  while (reader.be16(entry.totalLength) && reader.be16(entry.fileId) &&
         reader.be16(entry.subjectLength) && reader.u8(entry.keyNumber)) {
    entries.push_back(entry);
  }
  return entries;
}

std::array<uint8_t, kDirectoryEntrySize> EncodeDirectoryEntry(const DirectoryEntry& entry) {
  return {static_cast<uint8_t>(entry.totalLength >> 8),
          static_cast<uint8_t>(entry.totalLength),
          static_cast<uint8_t>(entry.fileId >> 8),
          static_cast<uint8_t>(entry.fileId),
          static_cast<uint8_t>(entry.subjectLength >> 8),
          static_cast<uint8_t>(entry.subjectLength),
          entry.keyNumber};
}

}  // namespace kq::store
