#include "provider/device_access.h"

#include <algorithm>

#include "common/codes_cryptoapi.h"
#include "common/codes_store.h"
#include "provider/provider_last_error.h"
#include "store/containers.h"
#include "store/public_key_object.h"

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

uint32_t ReadKeyInformation(const DeviceSession& session, uint32_t fileId, uint8_t& keyNumber,
                            PublicKeyRecord& record) {
  record = PublicKeyRecord{};
  keyNumber = 0xFF;
  if (const uint32_t status = store::ReadKeyNumberOfObject(session, fileId, true, keyNumber);
      status != 0) {
    return status;
  }
  store::DevicePublicKey key;
  if (const uint32_t status = store::ReadDevicePublicKey(session, keyNumber, key); status != 0) {
    return status;
  }
  // The modulus fills the record from its start; the exponent keeps its value in 4 bytes.
  if (key.first.empty() || key.first.size() > record.modulus.size() || key.second.empty() ||
      key.second.size() > record.exponent.size()) {
    return store::kDeviceFailed;
  }
  record.bits = key.bits;
  std::copy(key.first.begin(), key.first.end(), record.modulus.begin());
  std::copy(key.second.begin(), key.second.end(),
            record.exponent.end() - static_cast<std::ptrdiff_t>(key.second.size()));
  return 0;
}

}  // namespace kq::provider
