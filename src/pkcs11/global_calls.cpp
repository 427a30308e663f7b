// Initialising and finalising the module, its information, the slots and tokens, and slot
// events. No thread is ever started.
#include <chrono>
#include <cstring>

#include "pkcs11/call_frame.h"
#include "pkcs11/module_calls.h"
#include "pkcs11/token_info.h"
#include "platform/dynamic_library.h"
#include "platform/process_id.h"

namespace kq::pkcs11 {

namespace {

constexpr auto kSlotPollInterval = std::chrono::milliseconds(200);

// The caller's locking choice: its own mutex functions are accepted only together with
// CKF_OS_LOCKING_OK, which lets the module lock with the operating system's.
CK_RV CheckInitializeArgs(const CK_C_INITIALIZE_ARGS* args) {
  if (args == nullptr) {
    return CKR_OK;
  }
  if (args->pReserved != nullptr) {
    return CKR_ARGUMENTS_BAD;
  }
  const int given = (args->CreateMutex != nullptr) + (args->DestroyMutex != nullptr) +
                    (args->LockMutex != nullptr) + (args->UnlockMutex != nullptr);
  if (given != 0 && given != 4) {
    return CKR_ARGUMENTS_BAD;
  }
  if (given == 4 && (args->flags & CKF_OS_LOCKING_OK) == 0) {
    return CKR_CANT_LOCK;
  }
  return CKR_OK;
}

// Which slots hold a token, for comparing across polls.
std::vector<bool> Presence(const Module& module) {
  std::vector<bool> present;
  for (const Slot& slot : module.slots) {
    present.push_back(slot.present);
  }
  return present;
}

}  // namespace

CK_RV Initialize(CK_VOID_PTR args) {
  try {
    if (const CK_RV rv = CheckInitializeArgs(static_cast<const CK_C_INITIALIZE_ARGS*>(args));
        rv != CKR_OK) {
      return rv;
    }
    Module& module = Module::Instance();
    const std::lock_guard<std::recursive_mutex> lock(module.mutex);
    if (module.ready()) {
      return CKR_CRYPTOKI_ALREADY_INITIALIZED;
    }
    // Never initialised, finalised, or initialised in the parent of this forked process: the
    // parent's sessions and logins are not this process's, so everything starts afresh.
    platform::KeepThisLibraryLoaded();  // see C_Finalize: a woken waiter may still be leaving
    module.Reset();
    module.initialised = true;
    module.processId = platform::CurrentProcessId();
    // The readers are listed at the first C_GetSlotList, which every client calls first.
    return CKR_OK;
  } catch (const std::bad_alloc&) {
    return CKR_HOST_MEMORY;
  } catch (...) {
    return CKR_GENERAL_ERROR;
  }
}

CK_RV Finalize(CK_VOID_PTR reserved) {
  return RunCall([&](Module& module) -> CK_RV {
    if (reserved != nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    // The key forgets the verified PIN of every token the application logged in to.
    for (Slot& slot : module.slots) {
      if (slot.present) {
        LogOutToken(slot);
      }
    }
    module.Reset();
    module.initialised = false;
    module.wake.notify_all();
    // Each waiter has left the module's state when this returns, but may still be running the
    // module's last instructions of its call: the module therefore never unloads (Initialize).
    module.wake.wait(module.mutex, [&module] { return module.sleepers == 0; });
    return CKR_OK;
  });
}

CK_RV GetInfo(CK_INFO_PTR info) {
  return RunCall([&](Module&) -> CK_RV {
    if (info == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    *info = {};
    info->cryptokiVersion = {2, 40};
    CopyPadded("kqcsp", info->manufacturerID, sizeof info->manufacturerID);
    CopyPadded("kqcsp PKCS #11 module", info->libraryDescription, sizeof info->libraryDescription);
    info->libraryVersion = {1, 0};
    return CKR_OK;
  });
}

CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
  return RunCall([&](Module& module) -> CK_RV {
    if (count == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    // A size query reads the readers again; the list that follows it reports the same slots.
    if (list == nullptr || !module.listed) {
      module.RefreshSlots();
    }
    std::vector<CK_SLOT_ID> ids;
    for (CK_SLOT_ID id = 0; id < module.slots.size(); ++id) {
      if (tokenPresent == CK_FALSE || module.slots[id].present) {
        ids.push_back(id);
      }
    }
    if (list == nullptr) {
      *count = static_cast<CK_ULONG>(ids.size());
      return CKR_OK;
    }
    const bool fits = *count >= ids.size();
    *count = static_cast<CK_ULONG>(ids.size());
    if (!fits) {
      return CKR_BUFFER_TOO_SMALL;
    }
    std::copy(ids.begin(), ids.end(), list);
    return CKR_OK;
  });
}

CK_RV GetSlotInfo(CK_SLOT_ID slotId, CK_SLOT_INFO_PTR info) {
  return RunCall([&](Module& module) -> CK_RV {
    if (info == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    // Clients watch CKF_TOKEN_PRESENT here (NSS does), so the readers are listed again.
    module.RefreshSlots();
    const Slot* slot = module.FindSlot(slotId);
    if (slot == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    FillSlotInfo(*slot, *info);
    return CKR_OK;
  });
}

CK_RV GetTokenInfo(CK_SLOT_ID slotId, CK_TOKEN_INFO_PTR info) {
  return RunCall([&](Module& module) -> CK_RV {
    if (info == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (module.FindSlot(slotId) == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    // The readers are listed again only when the slot's key seems absent or does not answer, so
    // that a key put back or pulled out since the last listing is seen at no cost otherwise.
    const Slot* slot = module.FindToken(slotId);
    if (slot == nullptr) {
      module.RefreshSlots();
      slot = module.FindToken(slotId);
    }
    if (slot == nullptr) {
      return CKR_TOKEN_NOT_PRESENT;
    }
    const CK_RV rv = FillTokenInfo(*slot, *info);
    if (rv == CKR_DEVICE_ERROR && module.RefreshSlots() && module.FindToken(slotId) == nullptr) {
      return CKR_TOKEN_NOT_PRESENT;
    }
    return rv;
  });
}

CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slotOut, CK_VOID_PTR reserved) {
  if (slotOut == nullptr || reserved != nullptr) {
    return CKR_ARGUMENTS_BAD;
  }
  // Polls the readers, releasing the module's lock only while sleeping between polls, so other
  // threads' calls run meanwhile and C_Finalize ends the wait (and waits for it to end).
  return RunCall([&](Module& module) -> CK_RV {
    for (bool first = true;; first = false) {
      if (!first && !module.SleepUnlessFinalized(kSlotPollInterval)) {
        return CKR_CRYPTOKI_NOT_INITIALIZED;
      }
      module.RefreshSlots();
      const std::vector<bool> now = Presence(module);
      std::vector<bool>& before = module.reportedPresence;
      before.resize(now.size(), false);
      for (CK_SLOT_ID id = 0; id < now.size(); ++id) {
        if (now[id] != before[id]) {
          before[id] = now[id];
          *slotOut = id;
          return CKR_OK;
        }
      }
      if ((flags & CKF_DONT_BLOCK) != 0) {
        return CKR_NO_EVENT;
      }
    }
  });
}

}  // namespace kq::pkcs11
