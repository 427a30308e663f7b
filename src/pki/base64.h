#pragma once
// Base64 text of certificates and requests. Decoding checks the text with the system's own
// rules (white space anywhere, "=" fill checked strictly, numbered failures) before mbed TLS
// turns the characters into bytes; encoding is mbed TLS's, without line breaks.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kq {

enum Base64Result : int {
  kBase64Ok = 0,
  kBase64NoInput = 1,         // null text or length pointer, or text length 0
  kBase64BufferTooSmall = 2,  // the needed length is stored
  kBase64BadCharacter = 3,    // outside the alphabet, text after the fill, or a missing second "="
  kBase64NoData = 4,          // no data characters, or "=" where none may be
  kBase64Truncated = 5,       // one data character too many for a whole group
};

// Decodes text of textLength bytes. With a null out, stores the decoded length in *outLength
// and returns 0; with *outLength below it, stores it and returns 2; else decodes and stores the
// number of bytes written.
int Base64Decode(const char* text, size_t textLength, uint8_t* out, size_t* outLength);

// Standard alphabet, "=" fill, no line breaks. False only when memory runs out.
bool Base64Encode(std::span<const uint8_t> bytes, std::string& text);

}  // namespace kq
