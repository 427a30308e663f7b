#pragma once
// The built PKCS #11 module loaded as a client loads it (once per process, as a client keeps it),
// initialised, with one session on the first slot that holds a token; finalised when the object
// goes. Shared by the module's tests and its budgeted operations.

#include <string>
#include <vector>

#include "pkcs11/pkcs11_types.h"

namespace kq::test {

class ModuleSession {
 public:
  ModuleSession();
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;
  ~ModuleSession() { Close(); }

  // C_Initialize, then a session (with `flags` besides CKF_SERIAL_SESSION) on the first token's
  // slot: the first code that is not CKR_OK, with what failed in problem_.
  CK_RV Open(CK_FLAGS flags = 0);
  // C_Finalize, which closes every session: its code; again does nothing (CKR_OK).
  CK_RV Close();

  // The handles of every object the template finds; the code of C_FindObjectsInit in *rv.
  std::vector<CK_OBJECT_HANDLE> Find(std::vector<CK_ATTRIBUTE> wanted, CK_RV* rv = nullptr);
  // The one object of the class; CK_INVALID_HANDLE when there is none or more than one.
  CK_OBJECT_HANDLE Object(CK_OBJECT_CLASS objectClass);
  CK_RV LoginUser(const char* pin = "12345678");
  // C_SignInit and C_Sign (SHA-256 over a short text) in the session: the first code not CKR_OK.
  CK_RV SignOnce(CK_OBJECT_HANDLE key, CK_SESSION_HANDLE session) const;

  CK_FUNCTION_LIST_PTR p11_ = nullptr;
  CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
  CK_SLOT_ID slot_ = 0;
  std::string problem_;

 private:
  bool open_ = false;
};

}  // namespace kq::test
