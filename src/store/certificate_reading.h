#pragma once
// Reading the certificates kept as objects (class 1, the DER certificate in CKA_VALUE).

#include <cstdint>
#include <string_view>
#include <vector>

#include "device/device_session.h"
#include "store/attribute_template.h"

namespace kq::store {

// The DER certificate of a parsed certificate object: kWrongClass, kAttributeMissing (no
// CKA_VALUE), kWrongAttributeLength (an empty one).
uint32_t CertificateValueOf(const AttributeTemplate& object, std::vector<uint8_t>& der);

// Reads the certificate object in fileId at its file length. kBadFileId; kDeviceFailed when the
// length cannot be had; kObjectUnparsable (length 0, unreadable, not parsable); then as above.
uint32_t ReadCertificate(const DeviceSession& session, uint32_t fileId, std::vector<uint8_t>& der);

// The certificate of a container's key pair: key spec 2 (AT_SIGNATURE) the signature key's,
// anything else the exchange key's. kBadArgument (empty name); kContainerNotFound (also when
// the containers cannot be listed); kShortRead or kDeviceFailed for the object index; kBadFileId
// (no certificate); kNotInIndex; kSizeMismatch (the file's length differs from its slot's);
// kObjectUnparsable; then as CertificateValueOf.
uint32_t ReadContainerCertificate(const DeviceSession& session, std::string_view containerName,
                                  uint32_t keySpec, std::vector<uint8_t>& der);

}  // namespace kq::store
