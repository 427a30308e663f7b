#pragma once
// The button confirmation of a device operation that answered 0x61xx, as the store's deletions
// report it: 0 when the user confirmed and the key's result fetched with ZANT_GetData (kind 0)
// is 0; 0x8010006E cancelled; 0x8010000A timed out; 0x80090020 otherwise.

#include <cstdint>

#include "device/device_session.h"

namespace kq::store {

inline constexpr uint32_t kWaitKeyDeletion = 4;  // the wait kind of a key pair deletion

uint32_t ConfirmOnKey(const DeviceSession& session, uint32_t kind);

}  // namespace kq::store
