#include "pki/der_encode.h"

namespace kq {
namespace {

void AppendLength(size_t length, ByteVector& out) {
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
    return;
  }
  uint8_t count = 0;
  for (size_t rest = length; rest != 0; rest >>= 8) {
    ++count;
  }
  out.push_back(static_cast<uint8_t>(0x80 | count));
  for (uint8_t i = count; i > 0; --i) {
    out.push_back(static_cast<uint8_t>(length >> (8 * (i - 1))));
  }
}

}  // namespace

void EncodeDerLength(size_t length, ByteVector& out) {
  out.clear();
  AppendLength(length, out);
}

int EncodeDerElement(uint8_t tag, const uint8_t* content, size_t length, ByteVector& out) {
  out.clear();
  if (content == nullptr || length == 0 || length > kDerMaxContentLength - 1) {
    return -1;
  }
  const bool signByte = content[0] >= 0x80;
  out.reserve(length + 8);
  out.push_back(tag);
  AppendLength(length + (signByte ? 1 : 0), out);
  if (signByte) {
    out.push_back(0x00);
  }
  out.insert(out.end(), content, content + length);
  return 0;
}

int EncodeDerBitString(const uint8_t* content, size_t length, ByteVector& out) {
  out.clear();
  if (content == nullptr || length == 0 || length > kDerMaxContentLength - 1) {
    return -1;
  }
  out.reserve(length + 8);
  out.push_back(kDerBitString);
  AppendLength(length + 1, out);
  out.push_back(0x00);
  out.insert(out.end(), content, content + length);
  return 0;
}

}  // namespace kq
