#pragma once
// Reading DER headers out of certificate bytes, for the little the system reads itself (the
// modulus of an RSA public key). Every read is bounded by the reader's input.

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/byte_reader.h"

namespace kq {

// Steps over a SEQUENCE header without reading its length: the tag, the length byte and, for
// a length byte above 0x80, its n = byte & 0x7F length bytes. False when they are not there.
bool SkipDerSequenceHeader(ByteReader& reader);

// Reads an INTEGER header (tag 0x02) and its content. A length byte of 0x80 or less is the
// length itself; 0x81 and 0x82 announce one or two big-endian length bytes; other long forms,
// another tag or content running past the input give false.
bool ReadDerInteger(ByteReader& reader, std::span<const uint8_t>& content);

}  // namespace kq
