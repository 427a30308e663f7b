#pragma once
// Attribute types and object classes of the objects kept in the key's files. The numbers are the
// standard PKCS #11 ones; the two vendor types and the container class carry bit 0x80000000.

#include <cstdint>

namespace kq::store {

namespace attr {
inline constexpr uint32_t kClass = 0x0;
inline constexpr uint32_t kToken = 0x1;
inline constexpr uint32_t kPrivate = 0x2;
inline constexpr uint32_t kLabel = 0x3;
inline constexpr uint32_t kValue = 0x11;
inline constexpr uint32_t kCertificateType = 0x80;
inline constexpr uint32_t kIssuer = 0x81;
inline constexpr uint32_t kSerialNumber = 0x82;
inline constexpr uint32_t kAttrTypes = 0x85;
inline constexpr uint32_t kTrusted = 0x86;
inline constexpr uint32_t kCertificateCategory = 0x87;
inline constexpr uint32_t kJavaMidpSecurityDomain = 0x88;
inline constexpr uint32_t kUrl = 0x89;
inline constexpr uint32_t kHashOfSubjectPublicKey = 0x8A;
inline constexpr uint32_t kHashOfIssuerPublicKey = 0x8B;
inline constexpr uint32_t kCheckValue = 0x90;
inline constexpr uint32_t kKeyType = 0x100;
inline constexpr uint32_t kSubject = 0x101;
inline constexpr uint32_t kId = 0x102;
inline constexpr uint32_t kSensitive = 0x103;
inline constexpr uint32_t kEncrypt = 0x104;
inline constexpr uint32_t kDecrypt = 0x105;
inline constexpr uint32_t kWrap = 0x106;
inline constexpr uint32_t kUnwrap = 0x107;
inline constexpr uint32_t kSign = 0x108;
inline constexpr uint32_t kSignRecover = 0x109;
inline constexpr uint32_t kVerify = 0x10A;
inline constexpr uint32_t kVerifyRecover = 0x10B;
inline constexpr uint32_t kDerive = 0x10C;
inline constexpr uint32_t kStartDate = 0x110;
inline constexpr uint32_t kEndDate = 0x111;
inline constexpr uint32_t kModulus = 0x120;
inline constexpr uint32_t kModulusBits = 0x121;
inline constexpr uint32_t kPublicExponent = 0x122;
inline constexpr uint32_t kPrivateExponent = 0x123;
inline constexpr uint32_t kPrime1 = 0x124;
inline constexpr uint32_t kPrime2 = 0x125;
inline constexpr uint32_t kExponent1 = 0x126;
inline constexpr uint32_t kExponent2 = 0x127;
inline constexpr uint32_t kCoefficient = 0x128;
inline constexpr uint32_t kPrimeBits = 0x133;
inline constexpr uint32_t kSubprimeBits = 0x134;
inline constexpr uint32_t kValueBits = 0x160;
inline constexpr uint32_t kValueLen = 0x161;
inline constexpr uint32_t kExtractable = 0x162;
inline constexpr uint32_t kLocal = 0x163;
inline constexpr uint32_t kNeverExtractable = 0x164;
inline constexpr uint32_t kAlwaysSensitive = 0x165;
inline constexpr uint32_t kKeyGenMechanism = 0x166;
inline constexpr uint32_t kModifiable = 0x170;
inline constexpr uint32_t kEcParams = 0x180;
inline constexpr uint32_t kEcPoint = 0x181;
inline constexpr uint32_t kAlwaysAuthenticate = 0x202;
inline constexpr uint32_t kWrapWithTrusted = 0x210;
inline constexpr uint32_t kMechanismType = 0x500;
inline constexpr uint32_t kWrapTemplate = 0x40000211;
inline constexpr uint32_t kUnwrapTemplate = 0x40000212;
inline constexpr uint32_t kAllowedMechanisms = 0x40000600;
// The container's name (bytes without terminator) and the device key slot (one byte, 1 to 5).
inline constexpr uint32_t kContainerName = 0x804B5101;
inline constexpr uint32_t kKeyNumber = 0x804B5102;
}  // namespace attr

// Object classes (the CKA_CLASS value, also recorded in the index slot).
inline constexpr uint32_t kClassCertificate = 1;
inline constexpr uint32_t kClassPublicKey = 2;
inline constexpr uint32_t kClassPrivateKey = 3;
inline constexpr uint32_t kClassContainer = 0x8043544E;

// Key types (CKA_KEY_TYPE).
inline constexpr uint32_t kKeyTypeRsa = 0;
inline constexpr uint32_t kKeyTypeSm2 = 0x804B5103;

// The key number of an object that names no device key slot.
inline constexpr uint8_t kNoKeyNumber = 0xFF;

// Types whose values are 32-bit numbers: big-endian in the file, native numbers in memory.
[[nodiscard]] constexpr bool IsNumberAttribute(uint32_t type) {
  switch (type) {
    case attr::kClass:
    case attr::kCertificateType:
    case attr::kAttrTypes:
    case attr::kCertificateCategory:
    case attr::kKeyType:
    case attr::kModulusBits:
    case attr::kPrimeBits:
    case attr::kSubprimeBits:
    case attr::kValueBits:
    case attr::kValueLen:
    case attr::kMechanismType:
      return true;
    default:
      return false;
  }
}

}  // namespace kq::store
