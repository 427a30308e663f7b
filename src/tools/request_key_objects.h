#pragma once
// The key objects of a newly generated key pair: the public key object in the object index, the
// private key object in the private object index, both recorded as the signature key of the new
// container.

#include <cstdint>
#include <string_view>
#include <vector>

#include "device/device_session.h"
#include "tools/request_signing.h"
#include "tools/request_text.h"

namespace kq::tools {

struct NewKeyPair {
  const CertificateRequestRecord* record;
  std::string_view containerName;
  uint8_t keyNumber;
  NewPublicKey publicKey;
  uint32_t largestFile = 0;  // the key's largest file, as CheckKeyObjectsFit read it
};

// Whether every request's two key objects will fit the key's largest file, known before any key
// pair is generated: 0 with that size in `largest`, 52 when it cannot be read, or 1 for a request
// (a DN too long) that no key pair could ever be stored for.
[[nodiscard]] uint32_t CheckKeyObjectsFit(const DeviceSession& session,
                                          const std::vector<CertificateRequestRecord>& records,
                                          uint32_t& largest);

// 0 or the enrolment export's status of the failing step (the store's 0xF00F001B to 0xF00F001D
// and 0xF00F0005, 1 for the login, 50 to 66).
[[nodiscard]] uint32_t StoreNewKeyObjects(DeviceSession& session, const NewKeyPair& pair);

}  // namespace kq::tools
