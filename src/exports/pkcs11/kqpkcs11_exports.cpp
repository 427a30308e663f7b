// The PKCS #11 module's only export: the function list, through which clients reach every
// C_ function.
#include "pkcs11/module_calls.h"

extern "C" CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
  return kq::pkcs11::GetFunctionList(list);
}
