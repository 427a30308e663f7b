#pragma once
// The caller's templates against an object's attributes, by the standard's rules: every entry is
// answered (an unknown type with CKR_ATTRIBUTE_TYPE_INVALID, a sensitive one with
// CKR_ATTRIBUTE_SENSITIVE, a short buffer with CKR_BUFFER_TOO_SMALL, each marking its length
// CK_UNAVAILABLE_INFORMATION), a null pValue asks for the length, and the call's result is the
// last of those errors met. A template is outside input: nothing is read or written past the
// lengths the caller gave.

#include <cstdint>
#include <map>
#include <vector>

#include "pkcs11/pkcs11_types.h"

namespace kq::pkcs11 {

using AttributeMap = std::map<CK_ATTRIBUTE_TYPE, std::vector<uint8_t>>;

CK_RV CopyAttributes(const AttributeMap& attributes, CK_ATTRIBUTE_PTR entries, CK_ULONG count);

// Whether every entry of the template is an attribute with exactly that value.
bool MatchesTemplate(const AttributeMap& attributes, const std::vector<CK_ATTRIBUTE>& entries);

}  // namespace kq::pkcs11
