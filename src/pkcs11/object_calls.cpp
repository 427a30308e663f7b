// Finding objects and reading their attributes. Objects are read from the key when a search
// starts (another program may have changed the key since) and kept for the attribute reads that
// follow; private keys are listed only while the user is logged in.
#include <cstring>

#include "pkcs11/attribute_copy.h"
#include "pkcs11/call_frame.h"
#include "pkcs11/module_calls.h"
#include "pkcs11/object_lookup.h"
#include "pkcs11/token_objects.h"
#include "store/public_key_object.h"

namespace kq::pkcs11 {

namespace {

CK_RV ReadObjects(Slot& slot, CK_SLOT_ID slotId) {
  DeviceSession device;
  if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
    return opened;
  }
  std::vector<TokenObject> objects;
  if (ReadTokenObjects(device, slotId, objects) != 0) {
    return CKR_DEVICE_ERROR;
  }
  slot.objects = std::move(objects);
  return CKR_OK;
}

}  // namespace

const TokenObject* FindVisibleObject(Slot& slot, CK_SLOT_ID slotId, CK_OBJECT_HANDLE handle,
                                     CK_RV& rv) {
  rv = slot.objects ? CKR_OK : ReadObjects(slot, slotId);
  if (rv != CKR_OK) {
    return nullptr;
  }
  for (const TokenObject& object : *slot.objects) {
    if (object.handle == handle && (!object.isPrivate || slot.loggedIn)) {
      return &object;
    }
  }
  rv = CKR_OBJECT_HANDLE_INVALID;
  return nullptr;
}

bool KeyUnchanged(const DeviceSession& device, const TokenObject& object) {
  store::DevicePublicKey current;
  if (store::ReadDevicePublicKey(device, object.keyNumber, current) != 0) {
    return false;
  }
  if (object.algorithm == KeyAlgorithm::kSm2) {
    current.first.insert(current.first.end(), current.second.begin(), current.second.end());
  }
  return current.first == object.publicKey;
}

const TokenObject* FindCurrentObject(Slot& slot, CK_SLOT_ID slotId, CK_OBJECT_HANDLE handle,
                                     CK_RV& rv) {
  const TokenObject* found = FindVisibleObject(slot, slotId, handle, rv);
  if (found == nullptr || !found->isPrivate) {
    return found;  // public values are served as listed: a listing's reads cost no device call
  }
  DeviceSession device;
  if (rv = OpenTokenKey(slot, device); rv != CKR_OK) {
    return nullptr;
  }
  // The stale listing stays: the handle keeps naming the object gone until a new search.
  if (!KeyUnchanged(device, *found)) {
    rv = CKR_OBJECT_HANDLE_INVALID;
    return nullptr;
  }
  return found;
}

CK_RV FindObjectsInit(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR entries, CK_ULONG count) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (entries == nullptr && count != 0) {
      return CKR_ARGUMENTS_BAD;
    }
    if (session.find.active) {
      return CKR_OPERATION_ACTIVE;
    }
    if (const CK_RV rv = ReadObjects(slot, session.slot); rv != CKR_OK) {
      return rv;
    }
    const std::vector<CK_ATTRIBUTE> wanted(entries, entries + count);
    session.find = {true, {}, 0};
    for (const TokenObject& object : *slot.objects) {
      if ((!object.isPrivate || slot.loggedIn) && MatchesTemplate(object.attributes, wanted)) {
        session.find.found.push_back(object.handle);
      }
    }
    return CKR_OK;
  });
}

CK_RV FindObjects(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE_PTR objects, CK_ULONG maxCount,
                  CK_ULONG_PTR count) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot&) -> CK_RV {
    if ((objects == nullptr && maxCount != 0) || count == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    FindOperation& find = session.find;
    if (!find.active) {
      return CKR_OPERATION_NOT_INITIALIZED;
    }
    CK_ULONG given = 0;
    while (given < maxCount && find.next < find.found.size()) {
      objects[given++] = find.found[find.next++];
    }
    *count = given;
    return CKR_OK;
  });
}

CK_RV FindObjectsFinal(CK_SESSION_HANDLE handle) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot&) -> CK_RV {
    if (!session.find.active) {
      return CKR_OPERATION_NOT_INITIALIZED;
    }
    session.find = {};
    return CKR_OK;
  });
}

CK_RV GetAttributeValue(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR entries,
                        CK_ULONG count) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (entries == nullptr && count != 0) {
      return CKR_ARGUMENTS_BAD;
    }
    CK_RV rv = CKR_OK;
    const TokenObject* found = FindCurrentObject(slot, session.slot, object, rv);
    if (found == nullptr) {
      return rv;
    }
    return CopyAttributes(found->attributes, entries, count);
  });
}

CK_RV GetObjectSize(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE object, CK_ULONG_PTR size) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (size == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    CK_RV rv = CKR_OK;
    const TokenObject* found = FindCurrentObject(slot, session.slot, object, rv);
    if (found == nullptr) {
      return rv;
    }
    CK_ULONG total = 0;
    for (const auto& [type, value] : found->attributes) {
      total += static_cast<CK_ULONG>(value.size());
    }
    *size = total;
    return CKR_OK;
  });
}

}  // namespace kq::pkcs11
