#pragma once
// An object of the slot by handle, reading the slot's objects first when they are not at hand;
// private objects only while the user is logged in. Null with CKR_OBJECT_HANDLE_INVALID or the
// read's failure in rv.

#include "pkcs11/module_state.h"

namespace kq::pkcs11 {

const TokenObject* FindVisibleObject(Slot& slot, CK_SLOT_ID slotId, CK_OBJECT_HANDLE handle,
                                     CK_RV& rv);

// Whether the key's slot still holds the key pair the listed object belongs to: another program
// may have deleted the pair and enrolled a new one in the same files, so under the same handle.
bool KeyUnchanged(const DeviceSession& device, const TokenObject& object);

// The object by handle for an attribute read; a private one only while the key holds its pair.
const TokenObject* FindCurrentObject(Slot& slot, CK_SLOT_ID slotId, CK_OBJECT_HANDLE handle,
                                     CK_RV& rv);

}  // namespace kq::pkcs11
