#include "pki/base64.h"

#include <mbedtls/base64.h>

#include <vector>

#include "common/byte_reader.h"

namespace kq {
namespace {

bool IsWhiteSpace(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsAlphabet(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

// Reads up to the next character that is not white space; false at the end of the text.
bool NextSignificant(ByteReader& reader, uint8_t& c) {
  while (reader.u8(c)) {
    if (!IsWhiteSpace(c)) {
      return true;
    }
  }
  return false;
}

// The checking pass: collects the data characters and checks the fill. Returns 0 or a failure.
int CollectData(std::span<const uint8_t> text, std::string& data) {
  ByteReader reader(text);
  uint8_t c = 0;
  bool sawFill = false;
  while (NextSignificant(reader, c)) {
    if (c == '=') {
      sawFill = true;
      break;
    }
    if (!IsAlphabet(c)) {
      return kBase64BadCharacter;
    }
    data.push_back(static_cast<char>(c));
  }
  if (data.empty()) {
    return kBase64NoData;
  }
  switch (data.size() % 4) {
    case 0:
    case 1:
      if (sawFill) {
        return kBase64NoData;
      }
      break;
    case 2:
      if (!sawFill) {
        return kBase64NoData;
      }
      if (!NextSignificant(reader, c) || c != '=') {
        return kBase64BadCharacter;
      }
      break;
    case 3:
      if (!sawFill) {
        return kBase64BadCharacter;
      }
      break;
  }
  // Only white space may follow the fill.
  if (NextSignificant(reader, c)) {
    return kBase64BadCharacter;
  }
  return kBase64Ok;
}

size_t DecodedLength(size_t dataCharacters) {
  const size_t tail[4] = {0, 0, 1, 2};
  return 3 * (dataCharacters / 4) + tail[dataCharacters % 4];
}

}  // namespace

int Base64Decode(const char* text, size_t textLength, uint8_t* out, size_t* outLength) {
  if (text == nullptr || textLength == 0 || outLength == nullptr) {
    return kBase64NoInput;
  }
  std::string data;
  const int checked = CollectData({reinterpret_cast<const uint8_t*>(text), textLength}, data);
  if (checked != kBase64Ok) {
    return checked;
  }
  const size_t needed = DecodedLength(data.size());
  if (out == nullptr) {
    *outLength = needed;
    return kBase64Ok;
  }
  if (*outLength < needed) {
    *outLength = needed;
    return kBase64BufferTooSmall;
  }
  if (data.size() % 4 == 1) {
    return kBase64Truncated;
  }
  // mbed TLS decodes the checked characters with their fill restored.
  data.append((4 - data.size() % 4) % 4, '=');
  size_t written = 0;
  if (mbedtls_base64_decode(out, *outLength, &written,
                            reinterpret_cast<const unsigned char*>(data.data()),
                            data.size()) != 0) {
    return kBase64BadCharacter;
  }
  *outLength = written;
  return kBase64Ok;
}

bool Base64Encode(std::span<const uint8_t> bytes, std::string& text) {
  text.clear();
  if (bytes.empty()) {
    return true;
  }
  size_t needed = 0;
  (void)mbedtls_base64_encode(nullptr, 0, &needed, bytes.data(), bytes.size());
  std::vector<unsigned char> buffer(needed);
  size_t written = 0;
  if (mbedtls_base64_encode(buffer.data(), buffer.size(), &written, bytes.data(), bytes.size()) !=
      0) {
    return false;
  }
  text.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(written));
  return true;
}

}  // namespace kq
