#pragma once
// The attached keys by reader name ("ORV ZANTULDCCID 0", ...), and the key with a given serial
// number. Every key opened here is closed before the call returns, except the one that
// OpenReaderBySerial hands back open.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_session.h"

namespace kq {

// A reader list is a few names of about 20 bytes each; a device that reports more than this is
// not believed, so a bad device library cannot make the host allocate gigabytes.
inline constexpr uint32_t kMaxReaderListSize = 1u << 20;

// The reader names in the device library's order. Returns 0 (an empty list when no key is
// attached) or dev::kReaderListFailed when the device library, its operation or either call
// fails.
uint32_t ListReaders(std::vector<std::string>& readers);

// Splits a reader-list buffer at its NULs, up to the first empty name or the end of the buffer
// (a last name without its NUL ends with the buffer).
std::vector<std::string> SplitReaderNames(std::string_view buffer);

enum class FindReaderResult : uint32_t {
  kFound = 0,
  kEnumerationUnavailable = 1,  // the device library is missing or the size query failed
  kListTooShort = 2,            // the size query reported fewer than 2 bytes
  kListQueryFailed = 4,         // the second call failed
  kNoMatch = 5,                 // no attached key has the serial number
};

// The first reader whose key's serial number (ZANT_GetDevSer kind 0) begins with the 12 bytes of
// `serial`; a reader that cannot be opened or asked is passed over.
FindReaderResult FindReaderBySerial(std::string_view serial, std::string& readerName);

// The same, leaving `session` open on the key found, so that its caller need not open it again;
// closed when no key matches.
FindReaderResult OpenReaderBySerial(std::string_view serial, DeviceSession& session);

}  // namespace kq
