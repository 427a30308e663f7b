#pragma once
// The public and private key objects of a key pair. Both carry the same modulus (or point),
// modulus bits, exponent, container name and key number; the private key itself never leaves
// the key, so the private object holds only what describes it.

#include <cstdint>
#include <span>
#include <string_view>

#include "device/device_session.h"
#include "store/attribute_template.h"

namespace kq::store {

struct RsaKeyObjectFields {
  std::string_view containerName;     // bytes of the name, without terminator
  uint8_t keyNumber = 0xFF;           // device key slot 1 to 5
  std::span<const uint8_t> modulus;   // 128 or 256 bytes, big-endian
  std::span<const uint8_t> exponent;  // big-endian, usually 4 bytes
  std::span<const uint8_t> subject;   // CKA_SUBJECT; left out when empty
};

// Builds both RSA objects from their defaults. kSizeMismatch (modulus not 128 or 256 bytes),
// kBadArgument (no name or exponent), kTemplateDefaultsFailed, kTemplateSetFailed.
uint32_t BuildRsaKeyObjects(const RsaKeyObjectFields& fields, AttributeTemplate& publicKey,
                            AttributeTemplate& privateKey);

struct Sm2KeyObjectFields {
  std::string_view containerName;
  uint8_t keyNumber = 0xFF;
  std::span<const uint8_t> point;    // X followed by Y, 64 bytes, stored as CKA_EC_POINT
  std::span<const uint8_t> subject;  // CKA_SUBJECT; left out when empty
};

// Builds both SM2 objects from their defaults (CKA_MODULUS_BITS 256). kBadArgument (no name or
// a point that is not 64 bytes), kTemplateDefaultsFailed, kTemplateSetFailed.
uint32_t BuildSm2KeyObjects(const Sm2KeyObjectFields& fields, AttributeTemplate& publicKey,
                            AttributeTemplate& privateKey);

// Builds the RSA pair's objects and writes the public one into a free slot of the object index
// (class 2) and the private one into a free slot of the private object index (class 3). The
// caller then sets the container's references. Both indexes are checked for a free slot before
// anything is written, and when the private object cannot be written the public one is deleted
// again, so a failure leaves no object behind. Results: BuildRsaKeyObjects', kSerialiseFailed,
// an index read's result, kNoFreeSlot, and those of writing an object file.
uint32_t WriteKeyObjects(const DeviceSession& session, const RsaKeyObjectFields& fields,
                         uint16_t& publicFileId, uint16_t& privateFileId);

// The same for an SM2 pair; BuildSm2KeyObjects' results, then as above.
uint32_t WriteSm2KeyObjects(const DeviceSession& session, const Sm2KeyObjectFields& fields,
                            uint16_t& publicFileId, uint16_t& privateFileId);

// Writes two built key objects as above: both indexes checked for a free slot first, the public
// object removed again when the private one cannot be written.
uint32_t WriteKeyObjectPair(const DeviceSession& session, const AttributeTemplate& publicKey,
                            const AttributeTemplate& privateKey, uint16_t& publicFileId,
                            uint16_t& privateFileId);

}  // namespace kq::store
