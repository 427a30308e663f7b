#pragma once
// The PKCS #10 request of a newly generated key pair: the request body is built from the subject
// and the key's public part, signed by the new key on the device, and returned as base64 text.

#include <cstdint>
#include <span>
#include <string>

#include "device/device_session.h"
#include "tools/request_text.h"

namespace kq::tools {

// The new key's public part as the device returned it: RSA modulus and exponent, or SM2 X and Y.
struct NewPublicKey {
  std::span<const uint8_t> first;
  std::span<const uint8_t> second;
};

// Builds, signs and base64-encodes the request of one record; 0 or the enrolment export's status
// of the failing step (18 to 28, or 17 for a public part larger than the key type has).
// The length that the base64 text of the record's request never exceeds, whatever key the device
// generates; 0 when no request can be built for the record.
[[nodiscard]] size_t RequestTextBound(const CertificateRequestRecord& record);

[[nodiscard]] uint32_t BuildSignedRequest(const DeviceSession& session, uint32_t keyNumber,
                                          const CertificateRequestRecord& record,
                                          const NewPublicKey& key, std::string& base64);

}  // namespace kq::tools
