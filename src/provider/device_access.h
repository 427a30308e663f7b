#pragma once
// The device steps the context's operations share: opening the key of the context with its
// container, and logging in for the context.

#include <cstdint>

#include "device/device_session.h"
#include "device/login.h"
#include "provider/provider_context.h"
#include "store/container_record.h"

namespace kq::provider {

// Opens the context's key by readerName, only if it is the key the context chose: 0; NTE_FAIL
// when the reader does not open (or does not tell who it is) at the context's first open;
// SCARD_W_REMOVED_CARD, then and for the rest of the context's life, when the reader now holds
// another key or the chosen key no longer opens.
uint32_t OpenContextKey(ProviderContext& context, DeviceSession& session);

// OpenContextKey, then finds the context's container: 0, the open's code, NTE_FAIL when its index
// cannot be read, notFound when the container is not there.
uint32_t OpenContainer(ProviderContext& context, DeviceSession& session,
                       store::ContainerInfo& container, uint32_t notFound);

// The PIN login for the context, on its reader name (upper-cased in place by the login); a
// verified PIN sets the context's loggedIn. 0, or the failure's code with the session closed:
// NTE_FAIL (no open session), NTE_SILENT_CONTEXT (the context may show no window, and the
// PIN entry shows one), SCARD_W_CANCELLED_BY_USER, SCARD_W_CHV_BLOCKED,
// SCARD_W_CARD_NOT_AUTHENTICATED or SCARD_W_REMOVED_CARD (the reader name is unusable, the key
// does not reopen, or another key was put in while the PIN entry was up).
uint32_t LoginForContext(ProviderContext& context, DeviceSession& session, LoginMode mode);

}  // namespace kq::provider
