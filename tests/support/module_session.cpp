#include "support/module_session.h"

#include <array>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/dynamic_library.h"

namespace kq::test {

namespace {

CK_FUNCTION_LIST_PTR Module() {
  static const platform::DynamicLibrary library = platform::DynamicLibrary::Load(
      std::string(KQ_TEST_LIB_DIR) + "/" + platform::SharedLibraryFileName("kqpkcs11"));
  const auto get = reinterpret_cast<CK_C_GetFunctionList>(library.Symbol("C_GetFunctionList"));
  CK_FUNCTION_LIST_PTR list = nullptr;
  return get != nullptr && get(&list) == CKR_OK ? list : nullptr;
}

}  // namespace

ModuleSession::ModuleSession() : p11_(Module()) {}

CK_RV ModuleSession::Open(CK_FLAGS flags) {
  if (p11_ == nullptr) {
    problem_ = "the module did not load";
    return CKR_GENERAL_ERROR;
  }
  CK_ULONG count = 0;
  std::array<CK_SLOT_ID, 8> slots{};
  const char* call = "C_Initialize";
  CK_RV rv = p11_->C_Initialize(nullptr);
  open_ = rv == CKR_OK;
  if (rv == CKR_OK) {
    call = "C_GetSlotList";
    rv = p11_->C_GetSlotList(CK_TRUE, nullptr, &count);
    rv = rv == CKR_OK && count == 0 ? CKR_TOKEN_NOT_PRESENT : rv;
  }
  rv = rv == CKR_OK ? p11_->C_GetSlotList(CK_TRUE, slots.data(), &count) : rv;
  if (rv == CKR_OK) {
    call = "C_OpenSession";
    slot_ = slots[0];
    rv = p11_->C_OpenSession(slot_, CKF_SERIAL_SESSION | flags, nullptr, nullptr, &session_);
  }
  problem_ = rv == CKR_OK ? "" : std::string(call) + " returned " + std::to_string(rv);
  return rv;
}

CK_RV ModuleSession::Close() {
  if (!open_) {
    return CKR_OK;
  }
  open_ = false;
  return p11_->C_Finalize(nullptr);
}

std::vector<CK_OBJECT_HANDLE> ModuleSession::Find(std::vector<CK_ATTRIBUTE> wanted, CK_RV* rv) {
  std::vector<CK_OBJECT_HANDLE> found(32);
  CK_ULONG count = 0;
  const CK_RV init =
      p11_->C_FindObjectsInit(session_, wanted.data(), static_cast<CK_ULONG>(wanted.size()));
  if (rv != nullptr) {
    *rv = init;
  }
  if (init == CKR_OK) {
    EXPECT_EQ(
        p11_->C_FindObjects(session_, found.data(), static_cast<CK_ULONG>(found.size()), &count),
        CKR_OK);
    EXPECT_EQ(p11_->C_FindObjectsFinal(session_), CKR_OK);
  }
  found.resize(count);
  return found;
}

CK_OBJECT_HANDLE ModuleSession::Object(CK_OBJECT_CLASS objectClass) {
  const auto found = Find({{CKA_CLASS, &objectClass, sizeof objectClass}});
  return found.size() == 1 ? found[0] : CK_INVALID_HANDLE;
}

CK_RV ModuleSession::LoginUser(const char* pin) {
  const std::string_view text = pin != nullptr ? pin : "";
  return p11_->C_Login(session_, CKU_USER,
                       reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin)),
                       static_cast<CK_ULONG>(text.size()));
}

CK_RV ModuleSession::SignOnce(CK_OBJECT_HANDLE key, CK_SESSION_HANDLE session) const {
  CK_MECHANISM sha256 = {CKM_SHA256_RSA_PKCS, nullptr, 0};
  CK_BYTE data[] = "a document to sign";
  std::array<CK_BYTE, 256> signature{};
  CK_ULONG length = 0;
  CK_RV rv = p11_->C_SignInit(session, &sha256, key);
  // With the size query first, as clients sign.
  rv = rv == CKR_OK ? p11_->C_Sign(session, data, sizeof data, nullptr, &length) : rv;
  return rv == CKR_OK ? p11_->C_Sign(session, data, sizeof data, signature.data(), &length) : rv;
}

}  // namespace kq::test
