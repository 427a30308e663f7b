#pragma once
// The per-family tables behind codes.h; each is defined in its own codes_*.cpp.

#include <span>
#include <string_view>

#include "common/codes.h"

namespace kq::detail {

std::span<const CodeInfo> CryptoApiCodes();
std::span<const CodeInfo> DeviceCodes();
std::span<const CodeInfo> PinEntryCodes();
std::span<const CodeInfo> StoreCodes();
std::span<const CodeInfo> ToolSharedCodes();
std::span<const CodeInfo> ToolExportCodes(std::string_view exportName);
// The meaning of a tool status told apart by its reason; null when the status has one meaning.
const CodeInfo* ToolCodeForReason(std::string_view exportName, uint32_t code, uint32_t reason);

}  // namespace kq::detail
