// Base64 text of certificates and requests.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pki/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t length = 0;
  if (kq::Base64Decode(text, size, nullptr, &length) != kq::kBase64Ok) {
    return 0;
  }
  // Exactly the announced room, so AddressSanitizer sees any byte written past it.
  std::vector<uint8_t> out(length);
  size_t written = length;
  if (kq::Base64Decode(text, size, out.data(), &written) == kq::kBase64Ok && written > length) {
    __builtin_trap();
  }
  return 0;
}
