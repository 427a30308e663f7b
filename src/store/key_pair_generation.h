#pragma once
// A new container holding a key pair generated on the key: a fresh container name, the first
// free key number, the pair generated behind the key's button (the tool windows told before and
// after), and its key objects written and referenced as the container's signature pair. On any
// failure what was made is removed again, so nothing is left half made.

#include <cstdint>
#include <string>

#include "device/device_session.h"
#include "store/public_key_object.h"

namespace kq::store {

struct GeneratedKeyPair {
  std::string containerName;
  uint8_t keyNumber = 0xFF;
  DevicePublicKey publicKey;
  uint16_t publicFile = 0;
  uint16_t privateFile = 0;
};

// bits: 1024 or 2048 (RSA) or 256 (SM2); option: the generation option (device usage minus one).
// Results: 0; kBadArgument (other bits); kListingFailed (containers or key slots unreadable);
// kNoFreeSlot (no free key number); CreateContainer's results; the button wait's codes
// (0x8010006E cancelled, 0x8010000A timed out, 0x80090020 refused or failed); kDeviceFailed when
// the new public key cannot be read; the key objects' and references' results.
uint32_t GenerateKeyPairInNewContainer(const DeviceSession& session, uint32_t bits, uint32_t option,
                                       GeneratedKeyPair& out);

}  // namespace kq::store
