#pragma once
// The device steps the context's operations share: opening the key of the context with its
// container, logging in for the context, and reading a key pair's public key.

#include <cstdint>

#include "crypto/public_key_record.h"
#include "device/device_session.h"
#include "device/login.h"
#include "provider/provider_context.h"
#include "store/container_record.h"

namespace kq::provider {

// Opens the context's key by readerName and finds its container: 0, NTE_FAIL when the key does
// not open or its index cannot be read, notFound when the container is not there.
uint32_t OpenContainer(const ProviderContext& context, DeviceSession& session,
                       store::ContainerInfo& container, uint32_t notFound);

// LoginForProvider for the context: its reader name (upper-cased by the login) and its flags go in
// and come back. On failure ProviderLastError holds the login's code and the session is closed.
bool LoginForContext(ProviderContext& context, DeviceSession& session, LoginMode mode);

// The key number a public-key object names and the device's public key in that slot, as a record.
// 0, or the store's code when the object or the key cannot be read or is not RSA.
uint32_t ReadKeyInformation(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                            PublicKeyRecord& record);

}  // namespace kq::provider
