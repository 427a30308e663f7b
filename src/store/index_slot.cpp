#include "store/index_slot.h"

#include "common/byte_reader.h"
#include "store/attribute_types.h"

namespace kq::store {

std::vector<IndexSlot> ParseIndexSlots(std::span<const uint8_t> indexBytes) {
  std::vector<IndexSlot> slots;
  ByteReader reader(indexBytes);
  IndexSlot slot;
  while (reader.be32(slot.objectClass) && reader.be32(slot.length) && reader.be16(slot.fileId)) {
    slots.push_back(slot);
  }
  return slots;
}

std::array<uint8_t, kIndexSlotSize> EncodeIndexSlot(const IndexSlot& slot) {
  return {
      static_cast<uint8_t>(slot.objectClass >> 24), static_cast<uint8_t>(slot.objectClass >> 16),
      static_cast<uint8_t>(slot.objectClass >> 8),  static_cast<uint8_t>(slot.objectClass),
      static_cast<uint8_t>(slot.length >> 24),      static_cast<uint8_t>(slot.length >> 16),
      static_cast<uint8_t>(slot.length >> 8),       static_cast<uint8_t>(slot.length),
      static_cast<uint8_t>(slot.fileId >> 8),       static_cast<uint8_t>(slot.fileId)};
}

std::optional<size_t> FirstFreeSlot(std::span<const uint8_t> indexBytes) {
  const std::vector<IndexSlot> slots = ParseIndexSlots(indexBytes);
  for (size_t n = 0; n < slots.size(); ++n) {
    if (slots[n].isFree()) {
      return n;
    }
  }
  return std::nullopt;
}

std::optional<size_t> FindSlotByFileId(std::span<const uint8_t> indexBytes, uint16_t fileId) {
  const std::vector<IndexSlot> slots = ParseIndexSlots(indexBytes);
  for (size_t n = 0; n < slots.size(); ++n) {
    if (slots[n].fileId == fileId) {
      return n;
    }
  }
  return std::nullopt;
}

std::vector<IndexSlot> ListCertificateSlots(std::span<const uint8_t> objectIndexBytes) {
  std::vector<IndexSlot> certificates;
  for (const IndexSlot& slot : ParseIndexSlots(objectIndexBytes)) {
    if (slot.objectClass == kClassCertificate) {
      certificates.push_back(slot);
    }
  }
  return certificates;
}

}  // namespace kq::store
