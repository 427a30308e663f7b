// The DER reader and certificate reading: DER headers, the certificate's public key bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/byte_reader.h"
#include "pki/certificate_reader.h"
#include "pki/der_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kq::ByteReader outer({data, size});
  std::span<const uint8_t> sequence;
  if (kq::ReadDerSequence(outer, sequence)) {
    kq::ByteReader reader(sequence);
    std::span<const uint8_t> content;
    while (kq::ReadDerInteger(reader, content)) {
    }
  }
  kq::ByteVector publicKey;
  (void)kq::CertPublicKeyBytes(data, size, publicKey);
  return 0;
}
