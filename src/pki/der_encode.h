#pragma once
// DER (ITU-T X.690) building blocks for the certification requests this system writes. Every
// encoder clears its output first and leaves exactly one element in it, or nothing on failure.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kq {

using ByteVector = std::vector<uint8_t>;

// Tags in use.
inline constexpr uint8_t kDerInteger = 0x02;
inline constexpr uint8_t kDerBitString = 0x03;
inline constexpr uint8_t kDerNull = 0x05;
inline constexpr uint8_t kDerObjectIdentifier = 0x06;
inline constexpr uint8_t kDerUtf8String = 0x0C;
inline constexpr uint8_t kDerSequence = 0x30;
inline constexpr uint8_t kDerSet = 0x31;

// Elements of 2^31 bytes or more are out of range for the element encoders.
inline constexpr size_t kDerMaxContentLength = 0x7FFFFFFF;

// Short form below 128, else 0x80 | n followed by the n length bytes, most significant first.
void EncodeDerLength(size_t length, ByteVector& out);

// tag, length, content. Content whose first byte is 0x80 or more gets a 0x00 byte in front
// (for every tag: it keeps an INTEGER positive and never fires for the SEQUENCE, SET and BIT
// STRING contents built here). Leading zero bytes are kept: integers are not minimised.
// Returns 0, or -1 for a null content, a length of 0 or one out of range (out stays empty).
int EncodeDerElement(uint8_t tag, const uint8_t* content, size_t length, ByteVector& out);

// BIT STRING with no unused bits: 03, length + 1, 00, content.
// Returns 0, or -1 for a null content, a length of 0 or one out of range (out stays empty).
int EncodeDerBitString(const uint8_t* content, size_t length, ByteVector& out);

}  // namespace kq
