#pragma once
// The C_ functions of the module, each defined in the file of its group (global_calls, slot
// calls, session_calls, object_calls, sign_calls, mechanisms, random_calls) and gathered into the
// function list.

#include "pkcs11/pkcs11_types.h"

namespace kq::pkcs11 {

CK_RV Initialize(CK_VOID_PTR args);
CK_RV Finalize(CK_VOID_PTR reserved);
CK_RV GetInfo(CK_INFO_PTR info);
CK_RV GetSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count);
CK_RV GetSlotInfo(CK_SLOT_ID slotId, CK_SLOT_INFO_PTR info);
CK_RV GetTokenInfo(CK_SLOT_ID slotId, CK_TOKEN_INFO_PTR info);
CK_RV WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved);
CK_RV GetMechanismList(CK_SLOT_ID slotId, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count);
CK_RV GetMechanismInfo(CK_SLOT_ID slotId, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info);

CK_RV OpenSession(CK_SLOT_ID slotId, CK_FLAGS flags, CK_VOID_PTR application, CK_NOTIFY notify,
                  CK_SESSION_HANDLE_PTR session);
CK_RV CloseSession(CK_SESSION_HANDLE session);
CK_RV CloseAllSessions(CK_SLOT_ID slotId);
CK_RV GetSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info);
CK_RV Login(CK_SESSION_HANDLE session, CK_USER_TYPE userType, CK_UTF8CHAR_PTR pin,
            CK_ULONG pinLength);
CK_RV Logout(CK_SESSION_HANDLE session);
CK_RV SetPIN(CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength,
             CK_UTF8CHAR_PTR newPin, CK_ULONG newLength);

CK_RV FindObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG count);
CK_RV FindObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects, CK_ULONG maxCount,
                  CK_ULONG_PTR count);
CK_RV FindObjectsFinal(CK_SESSION_HANDLE session);
CK_RV GetAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                        CK_ATTRIBUTE_PTR pTemplate, CK_ULONG count);
CK_RV GetObjectSize(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ULONG_PTR size);

CK_RV GenerateKeyPair(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism,
                      CK_ATTRIBUTE_PTR publicTemplate, CK_ULONG publicCount,
                      CK_ATTRIBUTE_PTR privateTemplate, CK_ULONG privateCount,
                      CK_OBJECT_HANDLE_PTR publicKey, CK_OBJECT_HANDLE_PTR privateKey);
CK_RV CreateObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR pTemplate, CK_ULONG count,
                   CK_OBJECT_HANDLE_PTR object);
CK_RV DestroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);

CK_RV SignInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
CK_RV Sign(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG dataLength, CK_BYTE_PTR signature,
           CK_ULONG_PTR signatureLength);
CK_RV SignUpdate(CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG partLength);
CK_RV SignFinal(CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength);

CK_RV GenerateRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length);
CK_RV SeedRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR seed, CK_ULONG length);

// The version 2.40 function list: C_GetFunctionList and the list's own entry.
CK_RV GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list);

}  // namespace kq::pkcs11
