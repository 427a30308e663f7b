#include "provider/acquire_request.h"

#include <cstring>
#include <string_view>

#include "common/codes_cryptoapi.h"

namespace kq::provider {

namespace {

constexpr uint32_t kUnknownFlags = 0x0FFFFF87;
constexpr std::string_view kReaderPrefix = "\\\\.\\";

uint32_t CheckFlags(uint32_t flags) {
  if ((flags & kUnknownFlags) != 0 ||
      ((flags & kCryptNewKeyset) != 0 && (flags & kCryptDeleteKeyset) != 0) ||
      ((flags & (kCryptNewKeyset | kCryptDeleteKeyset)) != 0 &&
       (flags & kCryptVerifyContext) != 0)) {
    return win::kNteBadFlags;
  }
  return 0;
}

uint32_t ParseContainerName(const char* pszContainer, std::string& out) {
  out.clear();
  if (pszContainer == nullptr) {
    return 0;
  }
  // Never reads further than one byte past the longest name accepted.
  const size_t length = strnlen(pszContainer, kMaxContainerNameLength + 1);
  if (length > kMaxContainerNameLength) {
    return win::kNteBadKeysetParam;
  }
  const std::string_view text(pszContainer, length);
  const size_t prefixAt = text.find(kReaderPrefix);
  if (prefixAt == std::string_view::npos) {
    out.assign(text);
    return 0;
  }
  if (prefixAt != 0) {
    return win::kNteBadKeysetParam;
  }
  const size_t separator = text.find('\\', kReaderPrefix.size());
  if (separator != std::string_view::npos) {
    out.assign(text.substr(separator + 1));
  }
  return 0;
}

}  // namespace

uint32_t ParseAcquireRequest(const char* pszContainer, uint32_t flags, AcquireRequest& out) {
  out = AcquireRequest{};
  if (const uint32_t code = CheckFlags(flags); code != 0) {
    return code;
  }
  if (const uint32_t code = ParseContainerName(pszContainer, out.containerName); code != 0) {
    return code;
  }
  out.containerGiven = pszContainer != nullptr;
  if ((flags & kCryptSilent) != 0) {
    out.silent = true;
    flags &= ~(kCryptSilent | kCryptMachineKeyset);
  }
  // CRYPT_MACHINE_KEYSET has no effect of its own.
  flags &= ~kCryptMachineKeyset;
  switch (flags) {
    case 0:
      out.mode = AcquireMode::kOpen;
      return 0;
    case kCryptNewKeyset:
      out.mode = AcquireMode::kCreate;
      return 0;
    case kCryptDeleteKeyset:
      out.mode = AcquireMode::kDelete;
      return 0;
    case kCryptVerifyContext:
      out.mode = AcquireMode::kVerify;
      return 0;
    default:
      return win::kNteBadFlags;
  }
}

}  // namespace kq::provider
