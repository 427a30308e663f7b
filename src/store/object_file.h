#pragma once
// One object per file on the key, entered in an index slot. Reading parses the whole file into
// an AttributeTemplate; writing creates a file of the object's exact size and then its slot;
// deleting removes the file and releases its slot.

#include <cstdint>
#include <span>
#include <vector>

#include "device/device_session.h"
#include "store/attribute_template.h"
#include "store/index_slot.h"

namespace kq::store {

// Reads an index file whole (400 or 200 bytes): the device status, or kShortRead when the key
// holds fewer bytes.
uint32_t ReadIndex(const DeviceSession& session, IndexKind kind, std::vector<uint8_t>& bytes);

// Reads the object in fileId, `length` bytes long, and parses it. kBadArgument for a file id
// outside 1..0xFFFE or a length of 0xFFFFFFFF; kObjectUnreadable when the key cannot read it;
// kShortRead when it holds fewer bytes; kObjectUnparsable when the bytes do not parse.
uint32_t ReadObject(const DeviceSession& session, uint32_t fileId, uint32_t length,
                    AttributeTemplate& object);

// Writes one slot: kSlotOutOfRange beyond the index, kWriteFailed, kShortSlotWrite.
uint32_t WriteIndexSlot(const DeviceSession& session, IndexKind kind, size_t slotNumber,
                        const IndexSlot& slot);

// Checks an encoded object against the largest file the key accepts: kDeviceFailed when that
// cannot be read, kObjectTooLarge.
uint32_t CheckObjectSize(const DeviceSession& session, size_t objectSize);

// Creates a file of the encoded object's exact size (the key picks its id) and writes the object
// into it: kCreateFailed, kWriteFailed. A file that could not be written is deleted again.
uint32_t CreateObjectFile(const DeviceSession& session, IndexKind kind,
                          std::span<const uint8_t> object, uint16_t& fileId);

// Writes an encoded object into a new file (the key picks its id) and enters {class, length,
// file id} in slot `slotNumber`: kCreateFailed, kWriteFailed, or WriteIndexSlot's result. A file
// whose contents or slot could not be written is deleted again. The size is checked first.
uint32_t WriteObjectFile(const DeviceSession& session, IndexKind kind, size_t slotNumber,
                         uint32_t objectClass, std::span<const uint8_t> object, uint16_t& fileId);

// Encodes `object`, takes the first free slot of the index and writes it there: kSerialiseFailed,
// the index read's result, kNoFreeSlot, or WriteObjectFile's result.
uint32_t WriteNewObject(const DeviceSession& session, IndexKind kind, uint32_t objectClass,
                        const AttributeTemplate& object, uint16_t& fileId);

// Releases the object's slot in the chosen index, then deletes its file. kBadFileId;
// kIndexUnreadable; a slot write's result; kDeleteFailed (a file already gone is no failure).
uint32_t DeleteObject(const DeviceSession& session, uint32_t fileId, IndexKind kind);

}  // namespace kq::store
