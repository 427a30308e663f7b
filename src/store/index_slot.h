#pragma once
// The two object indexes on the key: fixed files of 10-byte slots {class, length, file id}, all
// big-endian, slot n at offset 10·n. A slot is free when its file id is 0 or 0xFFFF; a released
// slot is overwritten with 0xFF bytes. The first free slot is taken; order means nothing else.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq::store {

inline constexpr size_t kIndexSlotSize = 10;

// Which index an object is entered in: containers, certificates and public keys in the object
// index, private key objects in the private object index.
enum class IndexKind { kObjects, kPrivateObjects };

struct IndexFile {
  uint32_t fileId;
  size_t slotCount;
  [[nodiscard]] size_t size() const { return slotCount * kIndexSlotSize; }
};

inline constexpr IndexFile kObjectIndex{0xD001, 40};
inline constexpr IndexFile kPrivateObjectIndex{0xD002, 20};

[[nodiscard]] constexpr const IndexFile& IndexFileOf(IndexKind kind) {
  return kind == IndexKind::kObjects ? kObjectIndex : kPrivateObjectIndex;
}

// True for a file id that can name an object file (1 to 0xFFFE).
[[nodiscard]] constexpr bool IsObjectFileId(uint32_t fileId) {
  return fileId != 0 && fileId < 0xFFFF;
}

struct IndexSlot {
  uint32_t objectClass = 0xFFFFFFFF;
  uint32_t length = 0xFFFFFFFF;
  uint16_t fileId = 0xFFFF;

  [[nodiscard]] bool isFree() const { return fileId == 0 || fileId == 0xFFFF; }
  // Whether the slot names an object that can be read: a file id and a length both in range.
  [[nodiscard]] bool namesObject() const {
    return !isFree() && length != 0 && length != 0xFFFFFFFF;
  }
  bool operator==(const IndexSlot&) const = default;
};

// A released slot: class 0xFFFFFFFF, length 0xFFFFFFFF, file id 0xFFFF.
inline constexpr IndexSlot kReleasedSlot{};

// The slots of an index file as read; a partial slot at the end is left out.
std::vector<IndexSlot> ParseIndexSlots(std::span<const uint8_t> indexBytes);
std::array<uint8_t, kIndexSlotSize> EncodeIndexSlot(const IndexSlot& slot);

// The number of the first free slot among the whole slots of indexBytes.
std::optional<size_t> FirstFreeSlot(std::span<const uint8_t> indexBytes);
// The number of the first slot whose file id is fileId.
std::optional<size_t> FindSlotByFileId(std::span<const uint8_t> indexBytes, uint16_t fileId);

// Every slot of class 1 (certificate) in slot order, as read from the object index.
std::vector<IndexSlot> ListCertificateSlots(std::span<const uint8_t> objectIndexBytes);

}  // namespace kq::store
