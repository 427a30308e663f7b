#include "pkcs11/attribute_copy.h"

#include <cstring>

namespace kq::pkcs11 {

namespace {

// The private key's secret parts: on the key, never readable.
bool IsSensitive(CK_ATTRIBUTE_TYPE type) {
  switch (type) {
    case CKA_PRIVATE_EXPONENT:
    case CKA_PRIME_1:
    case CKA_PRIME_2:
    case CKA_EXPONENT_1:
    case CKA_EXPONENT_2:
    case CKA_COEFFICIENT:
      return true;
    default:
      return false;
  }
}

}  // namespace

CK_RV CopyAttributes(const AttributeMap& attributes, CK_ATTRIBUTE_PTR entries, CK_ULONG count) {
  CK_RV result = CKR_OK;
  for (CK_ULONG i = 0; i < count; ++i) {
    CK_ATTRIBUTE& entry = entries[i];
    const auto found = attributes.find(entry.type);
    if (found == attributes.end()) {
      entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
      result = IsSensitive(entry.type) ? CKR_ATTRIBUTE_SENSITIVE : CKR_ATTRIBUTE_TYPE_INVALID;
      continue;
    }
    const std::vector<uint8_t>& value = found->second;
    if (entry.pValue == nullptr) {
      entry.ulValueLen = static_cast<CK_ULONG>(value.size());
      continue;
    }
    if (entry.ulValueLen < value.size()) {
      entry.ulValueLen = CK_UNAVAILABLE_INFORMATION;
      result = CKR_BUFFER_TOO_SMALL;
      continue;
    }
    if (!value.empty()) {
      std::memcpy(entry.pValue, value.data(), value.size());
    }
    entry.ulValueLen = static_cast<CK_ULONG>(value.size());
  }
  return result;
}

bool MatchesTemplate(const AttributeMap& attributes, const std::vector<CK_ATTRIBUTE>& entries) {
  for (const CK_ATTRIBUTE& entry : entries) {
    const auto found = attributes.find(entry.type);
    if (found == attributes.end() || found->second.size() != entry.ulValueLen) {
      return false;
    }
    if (entry.ulValueLen != 0 &&
        (entry.pValue == nullptr ||
         std::memcmp(found->second.data(), entry.pValue, entry.ulValueLen) != 0)) {
      return false;
    }
  }
  return true;
}

}  // namespace kq::pkcs11
