// The PKCS #11 module's outside parameters: a template read against an object's attributes (as
// C_GetAttributeValue and C_FindObjectsInit read it) and checked as C_GenerateKeyPair and
// C_CreateObject check theirs, a DigestInfo given to CKM_RSA_PKCS, an SM2
// user id given as a mechanism parameter, and the certificate a client stores (C_CreateObject).
// Every buffer the input describes is allocated at exactly its stated length, so AddressSanitizer
// sees any read or write past it.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/byte_reader.h"
#include "crypto/digest_info.h"
#include "crypto/sm2_prepare.h"
#include "pkcs11/attribute_copy.h"
#include "pkcs11/caller_template.h"
#include "pki/certificate_fields.h"

namespace {

const kq::pkcs11::AttributeMap& Attributes() {
  static const kq::pkcs11::AttributeMap attributes = {
      {CKA_CLASS, std::vector<uint8_t>(sizeof(CK_ULONG), 3)},
      {CKA_LABEL, {'k', 'q'}},
      {CKA_ID, {1}},
      {CKA_VALUE, std::vector<uint8_t>(300, 0x5A)},
      {CKA_SIGN, {CK_TRUE}},
  };
  return attributes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kq::ByteReader reader({data, size});
  // A template: per entry a type byte, a flag byte (null pValue or not) and a 16-bit length.
  std::vector<std::vector<uint8_t>> buffers;
  std::vector<CK_ATTRIBUTE> entries;
  uint8_t count = 0;
  if (reader.u8(count)) {
    for (uint8_t i = 0; i < count % 16; ++i) {
      uint8_t type = 0;
      uint8_t hasValue = 0;
      uint16_t length = 0;
      if (!reader.u8(type) || !reader.u8(hasValue) || !reader.be16(length)) {
        break;
      }
      buffers.emplace_back(length);
      std::span<const uint8_t> value;
      if (reader.take(std::min<size_t>(length, reader.remaining()), value)) {
        std::copy(value.begin(), value.end(), buffers.back().begin());
      }
      const CK_ATTRIBUTE_TYPE types[] = {CKA_CLASS, CKA_LABEL,   CKA_ID,      CKA_VALUE,
                                         CKA_SIGN,  CKA_MODULUS, CKA_PRIME_1, 0x7FFFFFFF};
      entries.push_back(
          {types[type % 8], (hasValue & 1) != 0 ? buffers.back().data() : nullptr, length});
    }
  }
  (void)kq::pkcs11::MatchesTemplate(Attributes(), entries);
  (void)kq::pkcs11::CopyAttributes(Attributes(), entries.data(),
                                   static_cast<CK_ULONG>(entries.size()));
  const auto entryCount = static_cast<CK_ULONG>(entries.size());
  if (kq::pkcs11::CheckTemplate(entries.data(), entryCount) == CKR_OK) {
    (void)kq::pkcs11::TemplateNumber(entries.data(), entryCount, CKA_CLASS);
    (void)kq::pkcs11::TemplateBool(entries.data(), entryCount, CKA_SIGN);
    (void)kq::pkcs11::TemplateValue(entries.data(), entryCount, CKA_VALUE);
  }

  const std::vector<uint8_t> rest(reader.rest().begin(), reader.rest().end());
  std::span<const uint8_t> digest;
  if (const auto alg = kq::HashOfDigestInfo(rest, digest)) {
    if (digest.size() != kq::HashAlgDigestSize(*alg)) {
      __builtin_trap();
    }
  }
  const std::array<uint8_t, kq::kSm2CoordinateSize> x{};
  kq::Sm3Digest z{};
  (void)kq::Sm2IdentityDigest(rest, x, x, z);
  kq::CertificateFields fields;
  (void)kq::ReadCertificateFields(rest, fields);
  return 0;
}
