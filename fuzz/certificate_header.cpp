// The certificate that CPSetKeyParam(KP_CERTIFICATE) receives with no length: its header alone
// says how long it is, and what the header announces is then decoded and checked as a
// certificate. The caller always holds the header itself, so the input is padded to the longest
// header; what it announces is only read when the input holds it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pki/der_reader.h"
#include "platform/certificate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kLongestHeader = 6;
  std::vector<uint8_t> bytes(data, data + size);
  bytes.resize(std::max(size, kLongestHeader));
  const size_t length = kq::DerSequenceLengthFromHeader(bytes.data());
  if (length == 0 || length > size) {
    return 0;
  }
  const kq::platform::Certificate certificate =
      kq::platform::Certificate::Decode(std::span<const uint8_t>(bytes.data(), length));
  if (certificate.loaded()) {
    (void)certificate.IsSignedByOwnKey();
  }
  return 0;
}
