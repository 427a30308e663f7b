#include "common/codes.h"

#include "common/code_tables.h"

namespace kq {

std::span<const CodeInfo> CodeTable(CodeFamily family) {
  switch (family) {
    case CodeFamily::kCryptoApi:
      return detail::CryptoApiCodes();
    case CodeFamily::kDevice:
      return detail::DeviceCodes();
    case CodeFamily::kPinEntry:
      return detail::PinEntryCodes();
    case CodeFamily::kStore:
      return detail::StoreCodes();
    case CodeFamily::kTool:
      return detail::ToolSharedCodes();
  }
  return {};
}

std::span<const CodeInfo> ToolExportCodeTable(std::string_view exportName) {
  return detail::ToolExportCodes(exportName);
}

namespace {
const CodeInfo* FindIn(std::span<const CodeInfo> table, uint32_t code) {
  for (const CodeInfo& info : table) {
    if (info.code == code) {
      return &info;
    }
  }
  return nullptr;
}
}  // namespace

const CodeInfo* FindCode(CodeFamily family, uint32_t code) {
  if (family == CodeFamily::kDevice) {
    // Wrong-PIN words carry the tries left in the low nibble; 0x61xx carries a wait length.
    if (const CodeInfo* exact = FindIn(detail::DeviceCodes(), code)) {
      return exact;
    }
    const uint32_t sw = code & 0xFFFF;
    if (code <= 0xFFFF && (sw & 0xFFF0) == 0x6300) {
      return FindIn(detail::DeviceCodes(), 0x6300);
    }
    if (code <= 0xFFFF && (sw & 0xFF00) == 0x6100) {
      return FindIn(detail::DeviceCodes(), 0x6100);
    }
    return nullptr;
  }
  return FindIn(CodeTable(family), code);
}

const CodeInfo* FindToolCode(std::string_view exportName, uint32_t code) {
  if (const CodeInfo* own = FindIn(detail::ToolExportCodes(exportName), code)) {
    return own;
  }
  return FindIn(detail::ToolSharedCodes(), code);
}

const CodeInfo* FindToolCode(std::string_view exportName, uint32_t code, uint32_t reason) {
  if (const CodeInfo* told = detail::ToolCodeForReason(exportName, code, reason)) {
    return told;
  }
  return FindToolCode(exportName, code);
}

}  // namespace kq
