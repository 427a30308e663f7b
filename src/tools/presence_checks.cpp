// The presence checks: a key that opens, the product's registry key, the provider's
// registration. They answer 1 or 0 and leave a message (code page 936) on failure.
#include <cstring>
#include <string_view>

#include "tools/device_exports.h"
#include "tools/presence_registry.h"
#include "tools/reader_walk.h"

namespace kq::tools {

namespace {

// The messages in code page 936; the longest is 15 bytes with its NUL.
constexpr std::string_view kEnumerationFailed =
    "\xC3\xB6\xBE\xD9\xC9\xE8\xB1\xB8\xCA\xA7\xB0\xDC";  // enumerating the keys failed
constexpr std::string_view kNoDeviceFound =
    "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC9\xE8\xB1\xB8";  // no key found
constexpr std::string_view kOpenFailed =
    "\xB4\xF2\xBF\xAA\xC9\xE8\xB1\xB8\xCA\xA7\xB0\xDC";  // opening the key failed
constexpr std::string_view kDriverMissing =
    "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xB4\xB0\xB2\xD7\xB0";  // driver not installed
constexpr std::string_view kProviderMissing = "CSP\xCE\xB4\xB0\xB2\xD7\xB0";  // not installed

uint32_t Absent(char* message, std::string_view text) {
  if (message != nullptr) {
    std::memcpy(message, text.data(), text.size());
    message[text.size()] = '\0';
  }
  return 0;
}

}  // namespace

uint32_t CheckDevice(char* message) {
  const ReaderList readers = ListReaderNames();
  if (readers.listing == ReaderListing::kFailed) {
    return Absent(message, kEnumerationFailed);
  }
  if (readers.listing == ReaderListing::kEmpty || readers.names.empty()) {
    return Absent(message, kNoDeviceFound);
  }
  DeviceSession session;
  if (session.Open(readers.names.front()) != 0) {
    return Absent(message, kOpenFailed);
  }
  return 1;
}

uint32_t CheckDriver(char* message) {
  return ProductKeyPresent() ? 1 : Absent(message, kDriverMissing);
}

uint32_t CheckCsp(char* message) {
  return ProviderRegistered() ? 1 : Absent(message, kProviderMissing);
}

}  // namespace kq::tools
