#pragma once
// The DER pieces of the PKCS #10 certification request the enrolment export hands the bank:
// subject Name, SubjectPublicKeyInfo (RSA or SM2), CertificationRequestInfo, signature
// algorithm, signature value and the request itself. Each builder clears its output first and
// returns 0 or a failure code.
//
// The request body is the one the bank's tools receive: version 1 and no attributes element.

#include <cstddef>
#include <cstdint>
#include <span>

#include "pki/der_encode.h"
#include "pki/dn_text.h"

namespace kq {

// Appends one single-valued RDN, SET { SEQUENCE { OID, UTF8String value } }, to out. The type
// is CN, OU, O, C or T in any letter case; the value bytes are taken as they are.
// Returns 0; -1 for a null or empty type or value; 1 for a type not recognised (out unchanged).
int EncodeRdn(const char* type, size_t typeLength, const uint8_t* value, size_t valueLength,
              ByteVector& out);

// Name = SEQUENCE of one RDN per component, in list order. Types and values are trimmed of
// blanks; a component left empty is skipped. Returns 0; 1 for an empty list; 2 when a
// component's RDN fails.
int EncodeSubjectName(std::span<const DnComponent> components, ByteVector& out);

// SEQUENCE { rsaEncryption with NULL, BIT STRING { SEQUENCE { INTEGER n, INTEGER e } } }.
// Modulus and exponent are big-endian as the device returns them; a 0x00 byte goes in front of
// one that begins with 0x80 or more, and leading zeros are kept. Returns 0, or -1 for a null
// pointer or a length of 0.
int EncodeRsaPublicKeyInfo(const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent,
                           size_t exponentLength, ByteVector& out);

// SEQUENCE { SEQUENCE { id-ecPublicKey, SM2 curve }, BIT STRING { 04 || X || Y } } from the
// device's X followed by Y. Returns 0, or -1 for a null pointer or a length of 0.
int EncodeSm2PublicKeyInfo(const uint8_t* point, size_t length, ByteVector& out);

// SEQUENCE { INTEGER 1, subject, subjectPKInfo }, with no attributes element. Returns 0.
int EncodeRequestInfo(std::span<const uint8_t> subject, std::span<const uint8_t> publicKeyInfo,
                      ByteVector& out);

// The AlgorithmIdentifier of the request's hash number minus 1: 0 md5WithRSA, 1 sha1WithRSA,
// 2 sha256WithRSA, 3 sha384WithRSA, 4 sha512WithRSA, 5 SM2 with SM3. Returns 0, or -1 for an
// index outside 0 to 5.
int EncodeSignatureAlgorithm(int index, ByteVector& out);

// BIT STRING over the RSA signature exactly as the device returned it (big-endian).
// Returns 0, or -1 for a null signature or a length of 0.
int EncodeRsaSignature(const uint8_t* signature, size_t length, ByteVector& out);

// BIT STRING { SEQUENCE { INTEGER r, INTEGER s } } from 32-byte r and s (0x00 in front of a
// value beginning with 0x80 or more, leading zeros kept). Returns 0, or -1 for a null r or s.
int EncodeSm2Signature(const uint8_t* r, const uint8_t* s, ByteVector& out);

// SEQUENCE { CertificationRequestInfo, signatureAlgorithm, signature }. Returns 0.
int EncodeRequest(std::span<const uint8_t> requestInfo, std::span<const uint8_t> algorithm,
                  std::span<const uint8_t> signature, ByteVector& out);

}  // namespace kq
