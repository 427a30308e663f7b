#pragma once
// The device steps the context's operations share: opening the key of the context with its
// container, and logging in for the context.

#include <cstdint>

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

}  // namespace kq::provider
