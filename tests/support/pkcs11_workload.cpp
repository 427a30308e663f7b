#include "support/pkcs11_workload.h"

#include <array>
#include <vector>

#include "pkcs11/pkcs11_types.h"
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

std::string Failed(const std::string& what, CK_RV rv) {
  return what + " returned " + std::to_string(rv);
}

// Initialises the module and opens a session on the first token; closes and finalises on exit.
class ModuleSession {
 public:
  ModuleSession() : p11_(Module()) {
    if (p11_ == nullptr) {
      problem_ = "the module did not load";
      return;
    }
    CK_ULONG count = 0;
    std::array<CK_SLOT_ID, 8> slots{};
    if (CK_RV rv = p11_->C_Initialize(nullptr); rv != CKR_OK) {
      problem_ = Failed("C_Initialize", rv);
    } else if (rv = p11_->C_GetSlotList(CK_TRUE, nullptr, &count); rv != CKR_OK || count == 0) {
      problem_ = Failed("C_GetSlotList", rv);
    } else if (rv = p11_->C_GetSlotList(CK_TRUE, slots.data(), &count); rv != CKR_OK) {
      problem_ = Failed("C_GetSlotList", rv);
    } else if (rv = p11_->C_OpenSession(slots[0], CKF_SERIAL_SESSION, nullptr, nullptr, &session_);
               rv != CKR_OK) {
      problem_ = Failed("C_OpenSession", rv);
    }
    slot_ = slots[0];
  }
  ~ModuleSession() {
    if (p11_ != nullptr) {
      p11_->C_CloseSession(session_);
      p11_->C_Finalize(nullptr);
    }
  }
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  std::vector<CK_OBJECT_HANDLE> Find(std::vector<CK_ATTRIBUTE> wanted) {
    std::vector<CK_OBJECT_HANDLE> found(32);
    CK_ULONG count = 0;
    if (p11_->C_FindObjectsInit(session_, wanted.data(), static_cast<CK_ULONG>(wanted.size())) !=
            CKR_OK ||
        p11_->C_FindObjects(session_, found.data(), static_cast<CK_ULONG>(found.size()), &count) !=
            CKR_OK) {
      count = 0;
    }
    p11_->C_FindObjectsFinal(session_);
    found.resize(count);
    return found;
  }

  CK_FUNCTION_LIST_PTR p11_;
  CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
  CK_SLOT_ID slot_ = 0;
  std::string problem_;
};

}  // namespace

std::string ListTokenObjects() {
  ModuleSession m;
  if (!m.problem_.empty()) {
    return m.problem_;
  }
  CK_SLOT_INFO slotInfo{};
  CK_TOKEN_INFO tokenInfo{};
  if (const CK_RV rv = m.p11_->C_GetSlotInfo(m.slot_, &slotInfo); rv != CKR_OK) {
    return Failed("C_GetSlotInfo", rv);
  }
  if (const CK_RV rv = m.p11_->C_GetTokenInfo(m.slot_, &tokenInfo); rv != CKR_OK) {
    return Failed("C_GetTokenInfo", rv);
  }
  const std::vector<CK_OBJECT_HANDLE> objects = m.Find({});
  if (objects.size() != 4) {
    return "listed " + std::to_string(objects.size()) + " public objects, not 4";
  }
  for (const CK_OBJECT_HANDLE object : objects) {
    // What pkcs11-tool reads of each object, sizes first.
    std::array<CK_ATTRIBUTE, 6> entries = {{{CKA_CLASS, nullptr, 0},
                                            {CKA_LABEL, nullptr, 0},
                                            {CKA_ID, nullptr, 0},
                                            {CKA_VALUE, nullptr, 0},
                                            {CKA_MODULUS, nullptr, 0},
                                            {CKA_SUBJECT, nullptr, 0}}};
    m.p11_->C_GetAttributeValue(m.session_, object, entries.data(),
                                static_cast<CK_ULONG>(entries.size()));
    std::vector<std::vector<uint8_t>> values;
    for (CK_ATTRIBUTE& entry : entries) {
      values.emplace_back(entry.ulValueLen == CK_UNAVAILABLE_INFORMATION ? 0 : entry.ulValueLen);
      entry.pValue = values.back().data();
    }
    m.p11_->C_GetAttributeValue(m.session_, object, entries.data(),
                                static_cast<CK_ULONG>(entries.size()));
  }
  return "";
}

std::string SignThroughModule() {
  ModuleSession m;
  if (!m.problem_.empty()) {
    return m.problem_;
  }
  if (const CK_RV rv = m.p11_->C_Login(m.session_, CKU_USER, nullptr, 0); rv != CKR_OK) {
    return Failed("C_Login", rv);
  }
  CK_OBJECT_CLASS privateClass = CKO_PRIVATE_KEY;
  CK_KEY_TYPE rsa = CKK_RSA;
  const std::vector<CK_OBJECT_HANDLE> keys =
      m.Find({{CKA_CLASS, &privateClass, sizeof privateClass}, {CKA_KEY_TYPE, &rsa, sizeof rsa}});
  if (keys.size() != 1) {
    return "found " + std::to_string(keys.size()) + " RSA private keys, not 1";
  }
  CK_MECHANISM mechanism = {CKM_SHA256_RSA_PKCS, nullptr, 0};
  CK_BYTE document[] = "a document to sign";
  CK_ULONG length = 0;
  std::array<CK_BYTE, 256> signature{};
  CK_RV rv = m.p11_->C_SignInit(m.session_, &mechanism, keys[0]);
  rv = rv == CKR_OK ? m.p11_->C_Sign(m.session_, document, sizeof document, nullptr, &length) : rv;
  rv = rv == CKR_OK
           ? m.p11_->C_Sign(m.session_, document, sizeof document, signature.data(), &length)
           : rv;
  return rv == CKR_OK ? "" : Failed("C_Sign", rv);
}

}  // namespace kq::test
