#pragma once
// The certificate directory on the key (file 0xD000): at most one entry per device key number,
// naming a file that holds the certificate's subject text followed by the DER certificate.

#include <cstdint>
#include <span>

#include "device/device_session.h"

namespace kq::store {

// Stores subject and certificate in a new file and enters it for the key number: the key
// number's older entry is overwritten in place (else the first free entry is taken), and its
// older file deleted last, so that a failure keeps the old certificate or the new one. The
// directory is created (70 bytes) when the key has none. Results: 0; kBadKeyNumber (outside 1..5)
// or kBadArgument (nothing to store, or more than a 16-bit length can name) before anything is
// touched; the device status of reading, creating or writing; kDirectoryWrongLength; kDeviceFailed
// when no entry is free. The new file is deleted again on every failure after its creation.
uint32_t WriteCertificateDirectory(const DeviceSession& session, uint8_t keyNumber,
                                   std::span<const uint8_t> subject,
                                   std::span<const uint8_t> certificate);

// Removes the first entry of the key number and deletes the file it names. Does nothing for key
// number 0 or 0xFF or a directory that cannot be read or is not 70 bytes long. Never deletes the
// store's own fixed files, whatever a damaged entry names.
void RemoveCertificateDirectoryEntry(const DeviceSession& session, uint8_t keyNumber);

}  // namespace kq::store
