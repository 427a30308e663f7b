#pragma once
// The frame around every C_ function but C_Initialize and C_GetFunctionList: initialised in this
// process? session valid? the module's lock held while the body runs; and no exception ever
// leaves (running out of memory is CKR_HOST_MEMORY, anything else CKR_GENERAL_ERROR).

#include <mutex>
#include <new>

#include "pkcs11/module_state.h"

namespace kq::pkcs11 {

template <typename Body>
CK_RV RunCall(Body&& body) noexcept {
  try {
    Module& module = Module::Instance();
    const std::lock_guard<std::recursive_mutex> lock(module.mutex);
    if (!module.ready()) {
      return CKR_CRYPTOKI_NOT_INITIALIZED;
    }
    return body(module);
  } catch (const std::bad_alloc&) {
    return CKR_HOST_MEMORY;
  } catch (...) {
    return CKR_GENERAL_ERROR;
  }
}

template <typename Body>
CK_RV RunOnSession(CK_SESSION_HANDLE handle, Body&& body) noexcept {
  return RunCall([&](Module& module) -> CK_RV {
    const auto found = module.sessions.find(handle);
    if (found == module.sessions.end()) {
      return CKR_SESSION_HANDLE_INVALID;
    }
    const CK_SLOT_ID slotId = found->second.slot;
    Slot* slot = module.FindToken(slotId);
    if (slot == nullptr) {
      return CKR_DEVICE_REMOVED;
    }
    const CK_RV rv = body(module, found->second, *slot);
    if (rv == CKR_DEVICE_REMOVED) {
      // Another key took the reader: the sessions opened on the key that left end with it.
      module.CloseSlotSessions(slotId);
    }
    return rv;
  });
}

}  // namespace kq::pkcs11
