#pragma once
// The device walk that every tool export shares: list the readers, then open each in turn, read
// its serial or identity, and keep the first that matches while closing the others.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_session.h"

namespace kq::tools {

// What ZANT_GetDevSer is asked for: the serial, or the identity (both begin with the media id).
enum class SerialKind : uint32_t { kSerial = 0, kIdentity = 6 };

using DeviceSerial = std::array<uint8_t, 16>;

enum class ReaderListing {
  kListed,  // names holds the readers in the device library's order (possibly none)
  kFailed,  // the device library is missing or either call failed
  kEmpty,   // the device library reported a length of 0
};

struct ReaderList {
  ReaderListing listing = ReaderListing::kFailed;
  uint32_t reportedLength = 0;  // bytes the second call reported
  std::vector<std::string> names;
};

// Steps 1 and 2 of the walk: size query, then the names.
[[nodiscard]] ReaderList ListReaderNames();

// What the status-returning exports answer for a listing: 0 when listed, 4002 when the device
// library or the listing failed, 101 when no key is attached.
[[nodiscard]] uint32_t ListingStatus(const ReaderList& readers);

// Opens the key whose serial begins with the media id (found as the device sessions find keys
// by serial) and keeps open the handle that found it; 0, or notFound.
[[nodiscard]] uint32_t OpenKeyBySerial(std::string_view mediaId, DeviceSession& session,
                                       uint32_t notFound);

// Opens the reader and reads its serial or identity into a zeroed 16-byte buffer. On failure the
// session is closed and the device status returned.
uint32_t OpenAndReadSerial(std::string_view readerName, SerialKind kind, DeviceSession& session,
                           DeviceSerial& serial);

// Step 3: the first reader whose serial (of the kind) begins with the media id's first 12
// characters; the session is left open on it. False when none matches.
[[nodiscard]] bool OpenReaderWithMediaId(const ReaderList& readers, std::string_view mediaId,
                                         SerialKind kind, DeviceSession& session);

}  // namespace kq::tools
