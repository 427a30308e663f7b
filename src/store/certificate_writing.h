#pragma once
// Storing a certificate beside its key pair: as a certificate object referenced from the
// container (reference 0 for the signature key, 3 for the exchange key) and in the certificate
// directory under the pair's device key number. An older certificate of the same key pair is
// replaced.

#include <cstdint>
#include <span>
#include <string_view>

#include "device/device_session.h"

namespace kq::store {

// The provider's writer: refuses a certificate signed by its own key, and one whose public key
// is not the container's key pair (RSA modulus, or SM2 point 04 || X || Y). Results: 0;
// kBadArgument; kDeviceFailed (not a certificate, self-signed, subject not renderable, container
// or public key object or device key not readable, key of another length);
// kCertificateKeyUnreadable; kCertificateKeyMismatch; kTemplateDefaultsFailed, kTemplateSetFailed,
// kSerialiseFailed; kObjectTooLarge; kNoFreeSlot; kCreateFailed, kWriteFailed; the reference's or
// slot's result. The certificate counts as stored once its object and slot are written: the
// directory entry is written last and its result is not reported.
uint32_t WriteCertificate(const DeviceSession& session, std::string_view containerName,
                          uint32_t keySpec, std::span<const uint8_t> certificate);

// The tool exports' writer: the caller has matched the certificate to the key pair and names
// its key number and container. Results as above without the key checks, plus kBadFileId, and
// kDeviceFailed when the container cannot be read; when setting the reference or writing the
// directory entry fails, the new object is removed again (file, slot and reference), so nothing of
// it stays and the old certificate is kept. The old certificate goes last, and only when it
// carries the container's name.
uint32_t StoreCertificate(const DeviceSession& session, uint8_t keyNumber,
                          std::span<const uint8_t> certificate, std::string_view containerName,
                          uint16_t containerFileId, uint32_t keySpec);

}  // namespace kq::store
