#include "provider/acquire.h"

#include "common/codes_cryptoapi.h"
#include "provider/acquire_request.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

KqBool Acquire(ProviderContext& context, KqHandle* phProv, const char* pszContainer,
               uint32_t flags) {
  if (phProv == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  *phProv = context.providerHandle;
  AcquireRequest request;
  if (const uint32_t code = ParseAcquireRequest(pszContainer, flags, request); code != 0) {
    return Fail(code);
  }
  context.silent = request.silent;
  context.containerName = request.containerName;
  if (request.mode == AcquireMode::kVerify &&
      (!request.containerGiven || context.containerName.empty())) {
    context.containerName = context.defaultContainerName;
  }
  if (context.containerName.empty()) {
    context.containerName = context.defaultContainerName;
  }
  return Succeed();
}

}  // namespace kq::provider
