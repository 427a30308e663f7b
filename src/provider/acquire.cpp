#include "provider/acquire.h"

#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "common/codes_store.h"
#include "device/readers.h"
#include "provider/acquire_request.h"
#include "provider/container_selection.h"
#include "provider/device_access.h"
#include "provider/handle_registry.h"
#include "provider/provider_last_error.h"
#include "store/container_deletion.h"
#include "store/containers.h"
#include "store/object_file.h"

namespace kq::provider {

namespace {

// Opens an existing container; no PIN is asked until a key operation needs it.
KqBool OpenExisting(ProviderContext& context) {
  if (const uint32_t code = SelectDevice(context, context.containerName); code != 0) {
    return Fail(code);
  }
  DeviceSession session;
  store::ContainerInfo container;
  if (const uint32_t code = OpenContainer(context, session, container, win::kNteBadKeyset);
      code != 0) {
    return Fail(code);
  }
  return Succeed();
}

KqBool CreateNew(ProviderContext& context) {
  if (const uint32_t code = SelectDevice(context, {}); code != 0) {
    return Fail(code);
  }
  DeviceSession session;
  store::ContainerInfo container;
  const uint32_t found = OpenContainer(context, session, container, store::kContainerNotFound);
  if (found == 0) {
    return Fail(win::kNteExists);
  }
  if (found != store::kContainerNotFound) {
    return Fail(found);
  }
  if (const uint32_t code = LoginForContext(context, session, LoginMode::kAlways); code != 0) {
    return Fail(code);
  }
  // Both indexes must read whole before anything is written: a key whose private index is
  // damaged could never take a key pair. The handle keeps them, so creating reads them no more.
  std::vector<uint8_t> index;
  if (store::ReadIndex(session, store::IndexKind::kObjects, index) != 0 ||
      store::ReadIndex(session, store::IndexKind::kPrivateObjects, index) != 0) {
    return Fail(win::kNteFail);
  }
  if (store::CreateContainer(session, context.containerName) != 0) {
    return Fail(win::kNteFail);
  }
  context.containerCreated = true;
  return Succeed();
}

KqBool DeleteExisting(ProviderContext& context) {
  if (const uint32_t code = SelectDevice(context, {}); code != 0) {
    return Fail(code);
  }
  DeviceSession session;
  store::ContainerInfo container;
  if (const uint32_t code = OpenContainer(context, session, container, win::kNteFail); code != 0) {
    return Fail(code);
  }
  // A container without keys is deleted under a login the key already holds.
  bool holdsKey = false;
  for (const store::ContainerRef ref : {store::kSignaturePublicKey, store::kSignaturePrivateKey,
                                        store::kExchangePublicKey, store::kExchangePrivateKey}) {
    holdsKey = holdsKey || container.refs[ref] != store::kNoReference;
  }
  if (const uint32_t code = LoginForContext(
          context, session, holdsKey ? LoginMode::kAlways : LoginMode::kIfNotLoggedIn);
      code != 0) {
    return Fail(code);
  }
  const uint32_t status = store::DeleteContainer(session, context.containerName);
  if (status == win::kScardCancelledByUser || status == win::kScardTimeout) {
    return Fail(status);
  }
  if (status != 0) {
    return Fail(win::kNteFail);
  }
  // The context is done with: its handle goes now, the context itself when its caller lets go.
  HandleRegistry::Instance().Remove(context.providerHandle);
  return Succeed();
}

KqBool Verify(ProviderContext& context, const AcquireRequest& request) {
  if (!context.silent && request.containerGiven) {
    return Fail(win::kNteBadKeysetParam);
  }
  std::vector<std::string> readers;
  if (ListReaders(readers) != 0 || readers.empty()) {
    return Succeed();  // no key: operations that need one fail when they try to open it
  }
  if (readers.front().empty()) {
    return Fail(win::kNteFail);
  }
  context.readerName = readers.front();
  return Succeed();
}

}  // namespace

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
  const bool named = !context.containerName.empty();
  if (!named) {
    context.containerName = context.defaultContainerName;
  }
  switch (request.mode) {
    case AcquireMode::kOpen:
      if (!named && context.silent) {
        return Succeed();  // no key is chosen; readerName stays empty
      }
      return OpenExisting(context);
    case AcquireMode::kCreate:
      return CreateNew(context);
    case AcquireMode::kDelete:
      return DeleteExisting(context);
    case AcquireMode::kVerify:
      return Verify(context, request);
  }
  return Fail(win::kNteBadFlags);
}

}  // namespace kq::provider
