#include "provider/device_access.h"

#include "common/codes_cryptoapi.h"
#include "common/codes_store.h"
#include "store/containers.h"

namespace kq::provider {

namespace {

struct LoginCode {
  LoginOutcome outcome;
  uint32_t error;
};

constexpr LoginCode kLoginCodes[] = {
    {LoginOutcome::kSuccess, 0},
    {LoginOutcome::kNoSession, win::kNteFail},
    {LoginOutcome::kCancelled, win::kScardCancelledByUser},
    {LoginOutcome::kLocked, win::kScardChvBlocked},
    {LoginOutcome::kFailed, win::kScardCardNotAuthenticated},
    {LoginOutcome::kReaderNameUnusable, win::kScardUnknownCard},
    {LoginOutcome::kReopenFailed, win::kScardUnknownCard},
};

}  // namespace

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

uint32_t LoginForContext(ProviderContext& context, DeviceSession& session, LoginMode mode) {
  if (context.silent && session.isOpen()) {
    session.Close();
    return win::kNteSilentContext;
  }
  const LoginResult result = Login(session, context.readerName, mode, ReaderNameCase::kUpperCase);
  if (result.pinVerified) {
    context.loggedIn = true;
  }
  for (const LoginCode& row : kLoginCodes) {
    if (row.outcome == result.outcome) {
      return row.error;
    }
  }
  return win::kNteFail;
}

}  // namespace kq::provider
