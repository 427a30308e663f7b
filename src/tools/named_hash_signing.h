#pragma once
// Digest-and-sign by hash name for the signature export. The data is hashed on the host (the key
// then signs the digest; SM3 with the SM2 pre-processing over the key's own public point) or on
// the key, which may show the transaction and wait for its OK button (SignOnKey).

#include <cstdint>

#include "device/device_session.h"
#include "store/public_key_object.h"

namespace kq::tools {

struct NamedHashSignature {
  uint32_t keyNumber = 0;
  const char* hashName = nullptr;  // "SHA1", "SHA256", "SHA384", "SHA512", "MD5" or "SM3"
  int32_t hashNameLength = 0;
  const uint8_t* message = nullptr;
  uint32_t messageLength = 0;
  bool hashOnDevice = false;
  const store::DevicePublicKey* publicKey = nullptr;  // the slot's key, when already read
};

// Signs into signature; signatureLength is the capacity on entry and the signature's length on
// return (as the device library reports it). Results: 0; 3004 (tool::signature::kBadHash) for a
// missing or unknown hash name, or SM3 on a key that is not a 256-bit key; 3003 when a device
// call fails; 1002 when the key refuses to hash (0x6B05); 0x8010006E when the wait for the
// button ends any way but confirmed.
uint32_t SignWithNamedHash(const DeviceSession& session, const NamedHashSignature& request,
                           uint8_t* signature, uint32_t* signatureLength);

}  // namespace kq::tools
