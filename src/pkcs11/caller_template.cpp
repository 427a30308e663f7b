#include "pkcs11/caller_template.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kq::pkcs11 {

namespace {

constexpr std::array<CK_ATTRIBUTE_TYPE, 20> kYesOrNo = {CKA_TOKEN,
                                                        CKA_PRIVATE,
                                                        CKA_MODIFIABLE,
                                                        CKA_SENSITIVE,
                                                        CKA_EXTRACTABLE,
                                                        CKA_SIGN,
                                                        CKA_VERIFY,
                                                        CKA_ENCRYPT,
                                                        CKA_DECRYPT,
                                                        CKA_WRAP,
                                                        CKA_UNWRAP,
                                                        CKA_DERIVE,
                                                        CKA_SIGN_RECOVER,
                                                        CKA_VERIFY_RECOVER,
                                                        CKA_TRUSTED,
                                                        CKA_ALWAYS_AUTHENTICATE,
                                                        CKA_LOCAL,
                                                        CKA_NEVER_EXTRACTABLE,
                                                        CKA_ALWAYS_SENSITIVE,
                                                        CKA_WRAP_WITH_TRUSTED};
constexpr std::array<CK_ATTRIBUTE_TYPE, 5> kNumbers = {
    CKA_CLASS, CKA_KEY_TYPE, CKA_CERTIFICATE_TYPE, CKA_MODULUS_BITS, CKA_CERTIFICATE_CATEGORY};

}  // namespace

CK_RV CheckTemplate(const CK_ATTRIBUTE* entries, CK_ULONG count) {
  if (entries == nullptr && count != 0) {
    return CKR_ARGUMENTS_BAD;
  }
  for (CK_ULONG i = 0; i < count; ++i) {
    const CK_ATTRIBUTE& entry = entries[i];
    if (entry.pValue == nullptr && entry.ulValueLen != 0) {
      return CKR_ARGUMENTS_BAD;
    }
    for (CK_ULONG j = 0; j < i; ++j) {
      if (entries[j].type == entry.type) {
        return CKR_TEMPLATE_INCONSISTENT;
      }
    }
    if ((std::ranges::find(kYesOrNo, entry.type) != kYesOrNo.end() &&
         entry.ulValueLen != sizeof(CK_BBOOL)) ||
        (std::ranges::find(kNumbers, entry.type) != kNumbers.end() &&
         entry.ulValueLen != sizeof(CK_ULONG))) {
      return CKR_ATTRIBUTE_VALUE_INVALID;
    }
  }
  return CKR_OK;
}

std::optional<std::span<const uint8_t>> TemplateValue(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                                      CK_ATTRIBUTE_TYPE type) {
  for (CK_ULONG i = 0; i < count; ++i) {
    if (entries[i].type == type && entries[i].pValue != nullptr) {
      return std::span<const uint8_t>(static_cast<const uint8_t*>(entries[i].pValue),
                                      entries[i].ulValueLen);
    }
  }
  return std::nullopt;
}

std::optional<CK_ULONG> TemplateNumber(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                       CK_ATTRIBUTE_TYPE type) {
  const auto value = TemplateValue(entries, count, type);
  if (!value || value->size() != sizeof(CK_ULONG)) {
    return std::nullopt;
  }
  CK_ULONG number = 0;
  std::memcpy(&number, value->data(), sizeof number);
  return number;
}

std::optional<bool> TemplateBool(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                 CK_ATTRIBUTE_TYPE type) {
  const auto value = TemplateValue(entries, count, type);
  if (!value || value->size() != sizeof(CK_BBOOL)) {
    return std::nullopt;
  }
  return (*value)[0] != CK_FALSE;
}

}  // namespace kq::pkcs11
