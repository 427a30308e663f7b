// Subject comparison (two DN texts, split at the first NUL) and subject rendering (the rest of the
// input decoded as a certificate when it is one).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "pki/certificate_reader.h"
#include "pki/dn_text.h"
#include "platform/certificate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const auto* split = static_cast<const char*>(std::memchr(text, '\0', size));
  const size_t first = split != nullptr ? static_cast<size_t>(split - text) : size;
  const size_t second = split != nullptr ? size - first - 1 : 0;
  // Exact-size copies, so that any read past a given length is caught.
  const std::string a(text, first);
  const std::string b(split != nullptr ? split + 1 : text, second);
  (void)kq::DnEqual(a.data(), static_cast<int32_t>(first), b.data(), static_cast<int32_t>(second));
  (void)kq::ParseDnText(a);

  const kq::platform::Certificate certificate = kq::platform::Certificate::Decode({data, size});
  if (certificate.loaded()) {
    std::string subject;
    (void)kq::CertSubjectText(subject, certificate);
  }
  return 0;
}
