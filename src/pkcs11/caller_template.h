#pragma once
// A caller's template for C_GenerateKeyPair and C_CreateObject, read as outside input: each
// attribute given once, and the attributes the module acts on with a value of their type's size,
// so that a value the module cannot read is refused rather than taken as absent.

#include <cstdint>
#include <optional>
#include <span>

#include "pkcs11/pkcs11_types.h"

namespace kq::pkcs11 {

// CKR_OK; CKR_ARGUMENTS_BAD for a null array with a count or a value pointer missing for a
// length; CKR_TEMPLATE_INCONSISTENT for an attribute given twice; CKR_ATTRIBUTE_VALUE_INVALID for
// a yes-or-no or number attribute whose value is not a CK_BBOOL or a CK_ULONG.
CK_RV CheckTemplate(const CK_ATTRIBUTE* entries, CK_ULONG count);

// The value of one attribute, when present with a value (after CheckTemplate).
std::optional<std::span<const uint8_t>> TemplateValue(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                                      CK_ATTRIBUTE_TYPE type);
std::optional<CK_ULONG> TemplateNumber(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                       CK_ATTRIBUTE_TYPE type);
std::optional<bool> TemplateBool(const CK_ATTRIBUTE* entries, CK_ULONG count,
                                 CK_ATTRIBUTE_TYPE type);

}  // namespace kq::pkcs11
