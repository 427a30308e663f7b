#pragma once
// Reading DER out of certificate and request bytes, for the little the system reads itself (the
// modulus of an RSA public key, the parts of a certification request, the two numbers of an SM2
// signature). Every read is bounded by the reader's input.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/byte_reader.h"

namespace kq {

// The whole length (header included) of a SEQUENCE whose caller gives no length, as CryptoAPI
// callers pass a certificate: read from its header alone (tag 0x30, then a short length or a long
// one of one to four bytes), reading no byte past what that header announces. 0 when the header
// is not one.
size_t DerSequenceLengthFromHeader(const uint8_t* der);

// Reads one element with the given tag: its content and, when `element` is given, the whole
// element with its header. A length byte of 0x80 or less is the length itself; 0x81 and 0x82
// announce one or two big-endian length bytes; other long forms, another tag or content running
// past the input give false.
bool ReadDerElement(ByteReader& reader, uint8_t tag, std::span<const uint8_t>& content,
                    std::span<const uint8_t>* element = nullptr);

// Reads an INTEGER (tag 0x02) and its content, as ReadDerElement.
bool ReadDerInteger(ByteReader& reader, std::span<const uint8_t>& content);

// Reads a SEQUENCE (tag 0x30) and its content, as ReadDerElement.
bool ReadDerSequence(ByteReader& reader, std::span<const uint8_t>& content);

// An SM2 signature as certificates and requests carry it, SEQUENCE { INTEGER r, INTEGER s },
// into r || s, each right-aligned in 32 bytes. False when the input is not exactly that
// sequence, or r or s is negative or longer than 32 bytes (a leading 0x00 aside).
bool ReadDerSm2Signature(std::span<const uint8_t> der, std::array<uint8_t, 64>& rs);

}  // namespace kq
