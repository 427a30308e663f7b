#include "status_text.h"

#include <cstdio>
#include <initializer_list>

#include "common/codes.h"

namespace kq::cli {

namespace {

StatusText FromInfo(const CodeInfo& info) {
  return {info.code, info.name, info.meaning};
}

// A code that is not the caller's own can still come from below: a smart-card or CryptoAPI code,
// a store code, a PIN-entry result or a device status word passed through unchanged.
StatusText DescribeByFamilies(uint32_t code, std::initializer_list<CodeFamily> families) {
  for (const CodeFamily family : families) {
    if (const CodeInfo* info = FindCode(family, code)) {
      return FromInfo(*info);
    }
  }
  return {code, "UNKNOWN", "not in the system's tables of codes"};
}

}  // namespace

StatusText DescribeLastError(uint32_t code) {
  return DescribeByFamilies(code, {CodeFamily::kCryptoApi, CodeFamily::kStore,
                                   CodeFamily::kPinEntry, CodeFamily::kDevice});
}

StatusText DescribeToolStatus(std::string_view exportName, uint32_t code) {
  if (const CodeInfo* info = FindToolCode(exportName, code)) {
    return FromInfo(*info);
  }
  return DescribeByFamilies(code, {CodeFamily::kCryptoApi, CodeFamily::kStore,
                                   CodeFamily::kPinEntry, CodeFamily::kDevice});
}

StatusText DescribeToolStatus(std::string_view exportName, uint32_t code, uint32_t reason) {
  if (const CodeInfo* info = FindToolCode(exportName, code, reason)) {
    return FromInfo(*info);
  }
  return DescribeToolStatus(exportName, code);
}

std::string FormatCode(uint32_t code) {
  char text[16];
  if (code >= 0x6000 && code <= 0x6FFF) {  // a device status word
    std::snprintf(text, sizeof text, "0x%04X", code);
    return text;
  }
  if (code < 0x10000 && code != 0xFFFF) {
    return std::to_string(code);
  }
  std::snprintf(text, sizeof text, "0x%08X", code);
  return text;
}

JsonObject StatusObject(const StatusText& status) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", status.code);
  JsonObject object;
  object.Set("code", status.code).Set("hex", hex).Set("name", status.name);
  object.Set("meaning", status.meaning);
  return object;
}

std::string StatusLine(const StatusText& status) {
  return FormatCode(status.code) + " " + status.name + ": " + status.meaning;
}

}  // namespace kq::cli
