// Sessions and the user's login. The login belongs to the application and its token: every
// session of the slot shares it, and C_Logout or closing the slot's last session ends it on the
// key as well.
#include <span>
#include <string>

#include "common/codes_device.h"
#include "device/device_session.h"
#include "device/login.h"
#include "pkcs11/call_frame.h"
#include "pkcs11/module_calls.h"
#include "pkcs11/token_info.h"
#include "pkcs11/wait_codes.h"
#include "ui/confirmation_wait.h"

namespace kq::pkcs11 {

namespace {

constexpr CK_ULONG kPinLength = 8;
constexpr uint32_t kResultOfOperation = 0;  // ZANT_GetData kind after a confirmed operation

CK_RV LoginCode(LoginOutcome outcome) {
  switch (outcome) {
    case LoginOutcome::kSuccess:
      return CKR_OK;
    case LoginOutcome::kWrongPin:
      return CKR_PIN_INCORRECT;
    case LoginOutcome::kLocked:
      return CKR_PIN_LOCKED;
    case LoginOutcome::kCancelled:
      return CKR_FUNCTION_CANCELED;
    case LoginOutcome::kFailed:
      return CKR_FUNCTION_FAILED;
    case LoginOutcome::kKeyReplaced:
      return CKR_DEVICE_REMOVED;
    default:
      return CKR_DEVICE_ERROR;
  }
}

}  // namespace

void LogOutToken(Slot& slot) {
  if (slot.loggedIn) {
    DeviceSession device;
    if (OpenTokenKey(slot, device) == CKR_OK) {
      device.CleanPinStatus();
    }
  }
  slot.loggedIn = false;
  slot.objects.reset();
}

namespace {

void EndSignOperations(Module& module, CK_SLOT_ID slotId) {
  for (auto& [handle, session] : module.sessions) {
    if (session.slot == slotId) {
      session.sign = {};
    }
  }
}

}  // namespace

CK_RV OpenSession(CK_SLOT_ID slotId, CK_FLAGS flags, CK_VOID_PTR /*application*/,
                  CK_NOTIFY /*notify*/, CK_SESSION_HANDLE_PTR session) {
  return RunCall([&](Module& module) -> CK_RV {
    if (session == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (module.FindSlot(slotId) == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    Slot* slot = module.FindToken(slotId);
    if (slot == nullptr) {
      return CKR_TOKEN_NOT_PRESENT;
    }
    if ((flags & CKF_SERIAL_SESSION) == 0) {
      return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
    }
    if (!module.HasSessions(slotId)) {
      // The slot's sessions stay on the key in the reader now, even before they first use it.
      DeviceSession device;
      if (device.Open(slot->readerName) != dev::kOk || device.LearnIdentity() != dev::kOk) {
        return CKR_TOKEN_NOT_PRESENT;
      }
      slot->identity = device.identity();
    }
    const CK_SESSION_HANDLE handle = module.nextSession++;
    module.sessions[handle] =
        Session{slotId, flags & (CKF_SERIAL_SESSION | CKF_RW_SESSION), {}, {}};
    *session = handle;
    return CKR_OK;
  });
}

CK_RV CloseSession(CK_SESSION_HANDLE handle) {
  return RunOnSession(handle, [&](Module& module, Session& session, Slot& slot) -> CK_RV {
    const CK_SLOT_ID slotId = session.slot;
    module.sessions.erase(handle);
    if (!module.HasSessions(slotId)) {
      LogOutToken(slot);
    }
    return CKR_OK;
  });
}

CK_RV CloseAllSessions(CK_SLOT_ID slotId) {
  return RunCall([&](Module& module) -> CK_RV {
    Slot* slot = module.FindSlot(slotId);
    if (slot == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    if (slot->present) {
      LogOutToken(*slot);
    }
    module.CloseSlotSessions(slotId);
    return CKR_OK;
  });
}

CK_RV GetSessionInfo(CK_SESSION_HANDLE handle, CK_SESSION_INFO_PTR info) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (info == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    const bool rw = (session.flags & CKF_RW_SESSION) != 0;
    info->slotID = session.slot;
    info->state = slot.loggedIn ? (rw ? CKS_RW_USER_FUNCTIONS : CKS_RO_USER_FUNCTIONS)
                                : (rw ? CKS_RW_PUBLIC_SESSION : CKS_RO_PUBLIC_SESSION);
    info->flags = session.flags;
    info->ulDeviceError = 0;
    return CKR_OK;
  });
}

CK_RV Login(CK_SESSION_HANDLE handle, CK_USER_TYPE userType, CK_UTF8CHAR_PTR pin,
            CK_ULONG pinLength) {
  return RunOnSession(handle, [&](Module&, Session&, Slot& slot) -> CK_RV {
    if (userType == CKU_SO) {
      return CKR_USER_TYPE_INVALID;  // the key has no security officer
    }
    if (userType != CKU_USER && userType != CKU_CONTEXT_SPECIFIC) {
      return CKR_USER_TYPE_INVALID;
    }
    if (userType == CKU_USER && slot.loggedIn) {
      // Another program may have ended the key's login since: the key tells.
      DeviceSession device;
      if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
        return opened;
      }
      const std::optional<PinInfo> pinState = ReadPinInfo(device);
      if (!pinState || pinState->verified) {
        return CKR_USER_ALREADY_LOGGED_IN;
      }
      slot.loggedIn = false;
    }
    if (pin != nullptr && pinLength != kPinLength) {
      return CKR_PIN_LEN_RANGE;
    }
    DeviceSession device;
    if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
      return opened;
    }
    std::string readerName = slot.readerName;
    // Without a PIN the PIN-entry library asks for it, as the provider's login does; the PIN
    // given is verified where it lies, never copied.
    const LoginResult result =
        pin == nullptr
            ? kq::Login(device, readerName, LoginMode::kAlways, ReaderNameCase::kAsGiven)
            : LoginWithPin(device, readerName,
                           {reinterpret_cast<const char*>(pin), static_cast<size_t>(pinLength)});
    const CK_RV rv = LoginCode(result.outcome);
    if (rv == CKR_OK) {
      slot.loggedIn = true;
      slot.objects.reset();  // the private objects are listed from now on
    } else if (rv == CKR_PIN_INCORRECT) {
      slot.loggedIn = false;  // a wrong PIN ends the key's login
    }
    return rv;
  });
}

CK_RV Logout(CK_SESSION_HANDLE handle) {
  return RunOnSession(handle, [&](Module& module, Session& session, Slot& slot) -> CK_RV {
    if (!slot.loggedIn) {
      return CKR_USER_NOT_LOGGED_IN;
    }
    LogOutToken(slot);
    EndSignOperations(module, session.slot);
    return CKR_OK;
  });
}

CK_RV SetPIN(CK_SESSION_HANDLE handle, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength,
             CK_UTF8CHAR_PTR newPin, CK_ULONG newLength) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if ((session.flags & CKF_RW_SESSION) == 0) {
      return CKR_SESSION_READ_ONLY;
    }
    if (oldPin == nullptr || newPin == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (oldLength != kPinLength || newLength != kPinLength) {
      return CKR_PIN_LEN_RANGE;
    }
    DeviceSession device;
    if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
      return opened;
    }
    const uint32_t status = device.ChangePIN(reinterpret_cast<const char*>(oldPin), kPinLength,
                                             reinterpret_cast<const char*>(newPin), kPinLength, 0);
    if (dev::IsButtonWait(status)) {
      return ui::ConfirmOnKey(device.handle(), ui::kWaitPinChange, kResultOfOperation)
          .Code(kButtonWaitCodes);
    }
    if (dev::IsWrongPin(status)) {
      return CKR_PIN_INCORRECT;
    }
    if (dev::StatusWord(status) == dev::kSwPinLocked) {
      return CKR_PIN_LOCKED;
    }
    return status == 0 ? CKR_OK : CKR_DEVICE_ERROR;
  });
}

}  // namespace kq::pkcs11
