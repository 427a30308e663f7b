#include "support/pkcs11_workload.h"

#include <array>
#include <vector>

#include "support/module_session.h"

namespace kq::test {

std::string ListTokenObjects() {
  ModuleSession m;
  if (m.Open() != CKR_OK) {
    return m.problem_;
  }
  CK_SLOT_INFO slotInfo{};
  CK_TOKEN_INFO tokenInfo{};
  if (const CK_RV rv = m.p11_->C_GetSlotInfo(m.slot_, &slotInfo); rv != CKR_OK) {
    return "C_GetSlotInfo returned " + std::to_string(rv);
  }
  if (const CK_RV rv = m.p11_->C_GetTokenInfo(m.slot_, &tokenInfo); rv != CKR_OK) {
    return "C_GetTokenInfo returned " + std::to_string(rv);
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
  if (m.Open() != CKR_OK) {
    return m.problem_;
  }
  // Through the PIN entry, as the provider asks.
  if (const CK_RV rv = m.LoginUser(nullptr); rv != CKR_OK) {
    return "C_Login returned " + std::to_string(rv);
  }
  CK_OBJECT_CLASS privateClass = CKO_PRIVATE_KEY;
  CK_KEY_TYPE rsa = CKK_RSA;
  const std::vector<CK_OBJECT_HANDLE> keys =
      m.Find({{CKA_CLASS, &privateClass, sizeof privateClass}, {CKA_KEY_TYPE, &rsa, sizeof rsa}});
  if (keys.size() != 1) {
    return "found " + std::to_string(keys.size()) + " RSA private keys, not 1";
  }
  const CK_RV rv = m.SignOnce(keys[0], m.session_);
  return rv == CKR_OK ? "" : "C_Sign returned " + std::to_string(rv);
}

}  // namespace kq::test
