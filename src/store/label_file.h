#pragma once
// The key's label file (0xD003): 32 bytes that need no PIN to read or write. The bank's tools
// keep their user data in it; the key chooser shows its text as the key's label.

#include <cstdint>
#include <span>
#include <string>

#include "device/device_session.h"

namespace kq::store {

inline constexpr uint32_t kLabelFileSize = 32;

// Reads the whole file into `out`; `count` receives the count the key reports, never more than
// the file's size. The device library's status.
uint32_t ReadLabelFile(const DeviceSession& session, std::span<uint8_t, kLabelFileSize> out,
                       uint32_t& count);

// Replaces the file with `data` (at most kLabelFileSize bytes), the rest of the file zeroed;
// `written` receives the count the key reports. The device library's status.
uint32_t WriteLabelFile(const DeviceSession& session, std::span<const uint8_t> data,
                        uint32_t& written);

// The label as text: the file's bytes up to the first zero byte (UTF-8 on the key).
uint32_t ReadKeyLabel(const DeviceSession& session, std::string& label);

}  // namespace kq::store
