#include "provider/device_access.h"

#include "common/codes_cryptoapi.h"
#include "common/codes_store.h"
#include "provider/provider_last_error.h"
#include "store/containers.h"

namespace kq::provider {

uint32_t OpenContainer(const ProviderContext& context, DeviceSession& session,
                       store::ContainerInfo& container, uint32_t notFound) {
  if (session.Open(context.readerName) != 0) {
    return win::kNteFail;
  }
  const uint32_t status = store::FindContainer(session, context.containerName, container);
  if (status == store::kContainerNotFound) {
    return notFound;
  }
  return status == 0 ? 0 : win::kNteFail;
}

bool LoginForContext(ProviderContext& context, DeviceSession& session, LoginMode mode) {
  ProviderLoginRequest request;
  request.readerName = context.readerName;
  request.silent = context.silent;
  const bool ok = LoginForProvider(request, session, mode);
  context.readerName = request.readerName;
  if (request.loggedIn) {
    context.loggedIn = true;
  }
  if (!ok) {
    SetProviderLastError(request.error != 0 ? request.error : win::kNteFail);
  }
  return ok;
}

}  // namespace kq::provider
