#pragma once
// The key's file operations as the store uses them, over an open device session. Each returns
// the device library's status (0 or an ISO 7816 status word) unless it says otherwise. Lengths
// that the key or a caller states never size a buffer beyond what the file really holds.

#include <cstdint>
#include <span>
#include <vector>

#include "device/device_session.h"

namespace kq::store {

uint32_t FileLength(const DeviceSession& session, uint32_t fileId, uint32_t& length);

// Reads `length` bytes from offset 0 into `out`, which ends up holding what was read: kShortRead
// when the file holds fewer. A length beyond the longest file a key can hold is checked against
// the file's real length first, so a stated length never sizes a buffer beyond the file.
uint32_t ReadFilePrefix(const DeviceSession& session, uint32_t fileId, uint32_t length,
                        std::vector<uint8_t>& out);

// Reads the whole file, whatever its length (asked first, unless the handle knows it).
uint32_t ReadWholeFile(const DeviceSession& session, uint32_t fileId, std::vector<uint8_t>& out);

// Writes `data` at `offset`; `written` receives the count the key reports.
uint32_t WriteFileAt(const DeviceSession& session, uint32_t fileId, uint32_t offset,
                     std::span<const uint8_t> data, uint32_t& written);

// Creates a file of `size` bytes; with fileId 0 the key picks the id and returns it there.
uint32_t CreateDeviceFile(const DeviceSession& session, uint32_t& fileId, uint32_t size,
                          uint32_t accessFlag);

uint32_t DeleteDeviceFile(const DeviceSession& session, uint32_t fileId);

// The largest object file the key accepts (bytes 2-3, host order, of device information kind 0).
uint32_t LargestFileSize(const DeviceSession& session, uint32_t& size);

}  // namespace kq::store
