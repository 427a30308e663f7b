#pragma once
// The frame around every CP* entry point but CPAcquireContext: clear the thread's result, find the
// caller's context, run the operation on it, and hand the result to the platform's last-error
// slot on every return. No exception leaves the frame: running out of memory is
// ERROR_NOT_ENOUGH_MEMORY and anything else unexpected NTE_FAIL.

#include <new>

#include "common/codes_cryptoapi.h"
#include "kqcsp.h"
#include "platform/last_error.h"
#include "provider/handle_registry.h"
#include "provider/provider_context.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

// Runs body() with ProviderLastError cleared before and passed to SetLastError after.
template <typename Body>
KqBool RunEntry(Body&& body) noexcept {
  SetProviderLastError(0);
  KqBool result = 0;
  try {
    result = body();
  } catch (const std::bad_alloc&) {
    result = Fail(win::kErrorNotEnoughMemory);
  } catch (...) {
    result = Fail(win::kNteFail);
  }
  platform::SetLastErrorCode(ProviderLastError());
  return result;
}

// Runs operation(context) on the context registered under hProv; NTE_BAD_UID when there is none.
template <typename Operation>
KqBool RunOnContext(KqHandle hProv, Operation&& operation) noexcept {
  return RunEntry([&]() -> KqBool {
    const std::shared_ptr<ProviderContext> context = HandleRegistry::Instance().Find(hProv);
    if (!context) {
      return Fail(win::kNteBadUid);
    }
    return operation(*context);
  });
}

}  // namespace kq::provider
