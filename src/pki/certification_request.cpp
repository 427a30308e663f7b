#include "pki/certification_request.h"

#include <array>
#include <string_view>

namespace kq {
namespace {

struct NameType {
  std::string_view type;
  std::array<uint8_t, 5> oid;  // the complete DER OBJECT IDENTIFIER
};

constexpr std::array<NameType, 5> kNameTypes = {{
    {"CN", {0x06, 0x03, 0x55, 0x04, 0x03}},
    {"OU", {0x06, 0x03, 0x55, 0x04, 0x0B}},
    {"O", {0x06, 0x03, 0x55, 0x04, 0x0A}},
    {"C", {0x06, 0x03, 0x55, 0x04, 0x06}},
    {"T", {0x06, 0x03, 0x55, 0x04, 0x0C}},
}};

constexpr uint8_t kRsaAlgorithm[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86,
                                     0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};
constexpr uint8_t kEcPublicKeyOid[] = {0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
constexpr uint8_t kSm2CurveOid[] = {0x06, 0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D};
constexpr uint8_t kVersion1[] = {0x02, 0x01, 0x01};

constexpr std::array<std::array<uint8_t, 15>, 5> kRsaSignatureAlgorithms = {{
    {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x04, 0x05, 0x00},
    {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05, 0x05, 0x00},
    {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B, 0x05, 0x00},
    {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0C, 0x05, 0x00},
    {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0D, 0x05, 0x00},
}};
constexpr uint8_t kSm2WithSm3[] = {0x30, 0x0C, 0x06, 0x08, 0x2A, 0x81, 0x1C,
                                   0xCF, 0x55, 0x01, 0x83, 0x75, 0x05, 0x00};

constexpr size_t kSm2CoordinateBytes = 32;

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

const NameType* FindNameType(std::string_view type) {
  for (const NameType& entry : kNameTypes) {
    if (entry.type.size() != type.size()) {
      continue;
    }
    bool same = true;
    for (size_t i = 0; i < type.size(); ++i) {
      same = same && Upper(type[i]) == entry.type[i];
    }
    if (same) {
      return &entry;
    }
  }
  return nullptr;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Append(ByteVector& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Wraps content that was built here (never empty) in a constructed element.
void Wrap(uint8_t tag, const ByteVector& content, ByteVector& out) {
  (void)EncodeDerElement(tag, content.data(), content.size(), out);
}

// tag, length, content with nothing put in front: for text values, whose first byte says
// nothing about a sign.
void AppendPlainElement(uint8_t tag, std::span<const uint8_t> content, ByteVector& out) {
  ByteVector length;
  EncodeDerLength(content.size(), length);
  out.push_back(tag);
  Append(out, length);
  Append(out, content);
}

// SEQUENCE { INTEGER first, INTEGER second }, each INTEGER kept positive; -1 for a missing value.
int EncodeIntegerPair(const uint8_t* first, size_t firstLength, const uint8_t* second,
                      size_t secondLength, ByteVector& out) {
  ByteVector integers;
  ByteVector next;
  if (EncodeDerElement(kDerInteger, first, firstLength, integers) != 0 ||
      EncodeDerElement(kDerInteger, second, secondLength, next) != 0) {
    return -1;
  }
  Append(integers, next);
  Wrap(kDerSequence, integers, out);
  return 0;
}

}  // namespace

int EncodeRdn(const char* type, size_t typeLength, const uint8_t* value, size_t valueLength,
              ByteVector& out) {
  if (type == nullptr || typeLength == 0 || type[0] == '\0' || value == nullptr ||
      valueLength == 0 || valueLength > kDerMaxContentLength - 64) {
    return -1;
  }
  const NameType* nameType = FindNameType({type, typeLength});
  if (nameType == nullptr) {
    return 1;
  }
  ByteVector attribute(nameType->oid.begin(), nameType->oid.end());
  AppendPlainElement(kDerUtf8String, {value, valueLength}, attribute);
  ByteVector sequence;
  Wrap(kDerSequence, attribute, sequence);
  ByteVector set;
  Wrap(kDerSet, sequence, set);
  Append(out, set);
  return 0;
}

int EncodeSubjectName(std::span<const DnComponent> components, ByteVector& out) {
  out.clear();
  if (components.empty()) {
    return 1;
  }
  ByteVector rdns;
  for (const DnComponent& component : components) {
    const std::string_view type = TrimBlanks(component.type);
    const std::string_view value = TrimBlanks(component.value);
    if (type.empty() || value.empty()) {
      continue;
    }
    if (EncodeRdn(type.data(), type.size(), reinterpret_cast<const uint8_t*>(value.data()),
                  value.size(), rdns) != 0) {
      return 2;
    }
  }
  if (rdns.empty()) {
    // Every component was blank: an empty Name, SEQUENCE of nothing.
    out = {kDerSequence, 0x00};
    return 0;
  }
  Wrap(kDerSequence, rdns, out);
  return 0;
}

int EncodeRsaPublicKeyInfo(const uint8_t* modulus, size_t modulusLength, const uint8_t* exponent,
                           size_t exponentLength, ByteVector& out) {
  out.clear();
  ByteVector rsaPublicKey;
  if (EncodeIntegerPair(modulus, modulusLength, exponent, exponentLength, rsaPublicKey) != 0) {
    return -1;
  }
  ByteVector bitString;
  (void)EncodeDerBitString(rsaPublicKey.data(), rsaPublicKey.size(), bitString);
  ByteVector info(std::begin(kRsaAlgorithm), std::end(kRsaAlgorithm));
  Append(info, bitString);
  Wrap(kDerSequence, info, out);
  return 0;
}

int EncodeSm2PublicKeyInfo(const uint8_t* point, size_t length, ByteVector& out) {
  out.clear();
  if (point == nullptr || length == 0 || length > kDerMaxContentLength - 64) {
    return -1;
  }
  ByteVector algorithm(std::begin(kEcPublicKeyOid), std::end(kEcPublicKeyOid));
  Append(algorithm, kSm2CurveOid);
  ByteVector info;
  Wrap(kDerSequence, algorithm, info);
  ByteVector uncompressed{0x04};
  uncompressed.insert(uncompressed.end(), point, point + length);
  ByteVector bitString;
  (void)EncodeDerBitString(uncompressed.data(), uncompressed.size(), bitString);
  Append(info, bitString);
  Wrap(kDerSequence, info, out);
  return 0;
}

int EncodeRequestInfo(std::span<const uint8_t> subject, std::span<const uint8_t> publicKeyInfo,
                      ByteVector& out) {
  out.clear();
  ByteVector content(std::begin(kVersion1), std::end(kVersion1));
  Append(content, subject);
  Append(content, publicKeyInfo);
  Wrap(kDerSequence, content, out);
  return 0;
}

int EncodeSignatureAlgorithm(int index, ByteVector& out) {
  out.clear();
  if (index < 0 || index > 5) {
    return -1;
  }
  if (index == 5) {
    out.assign(std::begin(kSm2WithSm3), std::end(kSm2WithSm3));
  } else {
    const auto& algorithm = kRsaSignatureAlgorithms[static_cast<size_t>(index)];
    out.assign(algorithm.begin(), algorithm.end());
  }
  return 0;
}

int EncodeRsaSignature(const uint8_t* signature, size_t length, ByteVector& out) {
  return EncodeDerBitString(signature, length, out);
}

// r and s as DER INTEGERs: their leading zero bytes go (one byte stays), because a verifier
// refuses an INTEGER that is not in its shortest form, and about one signature in 128 has an r or
// s below 2^248.
int EncodeSm2Signature(const uint8_t* r, const uint8_t* s, ByteVector& out) {
  out.clear();
  if (r == nullptr || s == nullptr) {
    return -1;
  }
  const auto shortest = [](const uint8_t* value) {
    size_t skip = 0;
    while (skip + 1 < kSm2CoordinateBytes && value[skip] == 0) {
      ++skip;
    }
    return std::span<const uint8_t>(value + skip, kSm2CoordinateBytes - skip);
  };
  const std::span<const uint8_t> rValue = shortest(r);
  const std::span<const uint8_t> sValue = shortest(s);
  ByteVector sequence;
  if (EncodeIntegerPair(rValue.data(), rValue.size(), sValue.data(), sValue.size(), sequence) !=
      0) {
    return -1;
  }
  return EncodeDerBitString(sequence.data(), sequence.size(), out);
}

int EncodeRequest(std::span<const uint8_t> requestInfo, std::span<const uint8_t> algorithm,
                  std::span<const uint8_t> signature, ByteVector& out) {
  out.clear();
  ByteVector content(requestInfo.begin(), requestInfo.end());
  Append(content, algorithm);
  Append(content, signature);
  if (content.empty()) {
    out = {kDerSequence, 0x00};
    return 0;
  }
  Wrap(kDerSequence, content, out);
  return 0;
}

}  // namespace kq
