#include "provider/device_access.h"

#include "common/codes_cryptoapi.h"
#include "common/codes_device.h"
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
    {LoginOutcome::kReaderNameUnusable, win::kScardRemovedCard},
    {LoginOutcome::kReopenFailed, win::kScardRemovedCard},
    {LoginOutcome::kKeyReplaced, win::kScardRemovedCard},
};

}  // namespace

uint32_t OpenContextKey(ProviderContext& context, DeviceSession& session) {
  if (context.keyRemoved) {
    return win::kScardRemovedCard;
  }
  const KeyIdentity expected = context.keyIdentity();
  const bool chosen = expected.known();
  if (session.Open(context.readerName, expected) != dev::kOk) {
    if (chosen) {
      context.keyRemoved = true;
    }
    return chosen ? win::kScardRemovedCard : win::kNteFail;
  }
  if (!chosen) {
    if (session.LearnIdentity() != dev::kOk) {
      session.Close();
      return win::kNteFail;
    }
    // Another thread's call on this context learned the key first: this one must be on it too.
    if (!context.LearnKeyIdentity(session.identity())) {
      session.Close();
      context.keyRemoved = true;
      return win::kScardRemovedCard;
    }
  }
  return 0;
}

uint32_t OpenContainer(ProviderContext& context, DeviceSession& session,
                       store::ContainerInfo& container, uint32_t notFound) {
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
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
  if (result.outcome == LoginOutcome::kKeyReplaced) {
    context.keyRemoved = true;
  }
  for (const LoginCode& row : kLoginCodes) {
    if (row.outcome == result.outcome) {
      return row.error;
    }
  }
  return win::kNteFail;
}

}  // namespace kq::provider
