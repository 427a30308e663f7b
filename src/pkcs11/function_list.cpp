// The function list: the module's C_ functions, and CKR_FUNCTION_NOT_SUPPORTED for the ones a
// key that only signs has no use for (encryption, digests, wrapping, operation state).
#include "pkcs11/module_calls.h"

namespace kq::pkcs11 {

namespace {

// A function of the list's type that supports nothing.
template <typename Function>
struct Unsupported;
template <typename... Args>
struct Unsupported<CK_RV (*)(Args...)> {
  static CK_RV Call(Args...) { return CKR_FUNCTION_NOT_SUPPORTED; }
};

// Parallel functions are not supported by any module of the current standard.
CK_RV GetFunctionStatus(CK_SESSION_HANDLE) {
  return CKR_FUNCTION_NOT_PARALLEL;
}
CK_RV CancelFunction(CK_SESSION_HANDLE) {
  return CKR_FUNCTION_NOT_PARALLEL;
}

CK_FUNCTION_LIST BuildList() {
  CK_FUNCTION_LIST list{};
#define KQ_UNSUPPORTED(name) list.name = Unsupported<decltype(list.name)>::Call
  KQ_UNSUPPORTED(C_InitToken);
  KQ_UNSUPPORTED(C_InitPIN);
  KQ_UNSUPPORTED(C_GetOperationState);
  KQ_UNSUPPORTED(C_SetOperationState);
  KQ_UNSUPPORTED(C_CopyObject);
  KQ_UNSUPPORTED(C_SetAttributeValue);
  KQ_UNSUPPORTED(C_EncryptInit);
  KQ_UNSUPPORTED(C_Encrypt);
  KQ_UNSUPPORTED(C_EncryptUpdate);
  KQ_UNSUPPORTED(C_EncryptFinal);
  KQ_UNSUPPORTED(C_DecryptInit);
  KQ_UNSUPPORTED(C_Decrypt);
  KQ_UNSUPPORTED(C_DecryptUpdate);
  KQ_UNSUPPORTED(C_DecryptFinal);
  KQ_UNSUPPORTED(C_DigestInit);
  KQ_UNSUPPORTED(C_Digest);
  KQ_UNSUPPORTED(C_DigestUpdate);
  KQ_UNSUPPORTED(C_DigestKey);
  KQ_UNSUPPORTED(C_DigestFinal);
  KQ_UNSUPPORTED(C_SignRecoverInit);
  KQ_UNSUPPORTED(C_SignRecover);
  KQ_UNSUPPORTED(C_VerifyInit);
  KQ_UNSUPPORTED(C_Verify);
  KQ_UNSUPPORTED(C_VerifyUpdate);
  KQ_UNSUPPORTED(C_VerifyFinal);
  KQ_UNSUPPORTED(C_VerifyRecoverInit);
  KQ_UNSUPPORTED(C_VerifyRecover);
  KQ_UNSUPPORTED(C_DigestEncryptUpdate);
  KQ_UNSUPPORTED(C_DecryptDigestUpdate);
  KQ_UNSUPPORTED(C_SignEncryptUpdate);
  KQ_UNSUPPORTED(C_DecryptVerifyUpdate);
  KQ_UNSUPPORTED(C_GenerateKey);
  KQ_UNSUPPORTED(C_WrapKey);
  KQ_UNSUPPORTED(C_UnwrapKey);
  KQ_UNSUPPORTED(C_DeriveKey);
#undef KQ_UNSUPPORTED
  list.version = {2, 40};
  list.C_Initialize = Initialize;
  list.C_Finalize = Finalize;
  list.C_GetInfo = GetInfo;
  list.C_GetFunctionList = GetFunctionList;
  list.C_GetSlotList = GetSlotList;
  list.C_GetSlotInfo = GetSlotInfo;
  list.C_GetTokenInfo = GetTokenInfo;
  list.C_GetMechanismList = GetMechanismList;
  list.C_GetMechanismInfo = GetMechanismInfo;
  list.C_SetPIN = SetPIN;
  list.C_OpenSession = OpenSession;
  list.C_CloseSession = CloseSession;
  list.C_CloseAllSessions = CloseAllSessions;
  list.C_GetSessionInfo = GetSessionInfo;
  list.C_Login = Login;
  list.C_Logout = Logout;
  list.C_CreateObject = CreateObject;
  list.C_DestroyObject = DestroyObject;
  list.C_GetObjectSize = GetObjectSize;
  list.C_GetAttributeValue = GetAttributeValue;
  list.C_FindObjectsInit = FindObjectsInit;
  list.C_FindObjects = FindObjects;
  list.C_FindObjectsFinal = FindObjectsFinal;
  list.C_SignInit = SignInit;
  list.C_Sign = Sign;
  list.C_SignUpdate = SignUpdate;
  list.C_SignFinal = SignFinal;
  list.C_GenerateKeyPair = GenerateKeyPair;
  list.C_SeedRandom = SeedRandom;
  list.C_GenerateRandom = GenerateRandom;
  list.C_GetFunctionStatus = GetFunctionStatus;
  list.C_CancelFunction = CancelFunction;
  list.C_WaitForSlotEvent = WaitForSlotEvent;
  return list;
}

}  // namespace

CK_RV GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  if (list == nullptr) {
    return CKR_ARGUMENTS_BAD;
  }
  static CK_FUNCTION_LIST functions = BuildList();
  *list = &functions;
  return CKR_OK;
}

}  // namespace kq::pkcs11
