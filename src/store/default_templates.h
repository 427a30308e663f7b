#pragma once
// The default attribute lists from which every object is built before it is completed. Empty
// defaults name attributes that an object may carry but that are left out of the file.

#include <span>

#include "store/attribute_template.h"

namespace kq::store {

std::span<const AttributeEntry> ContainerDefaults();      // 6 attributes
std::span<const AttributeEntry> RsaPublicKeyDefaults();   // 25 attributes
std::span<const AttributeEntry> RsaPrivateKeyDefaults();  // 36 attributes
std::span<const AttributeEntry> Sm2PublicKeyDefaults();   // 17 attributes
std::span<const AttributeEntry> Sm2PrivateKeyDefaults();  // 20 attributes
std::span<const AttributeEntry> CertificateDefaults();    // 20 attributes

}  // namespace kq::store
