#pragma once
// A named key container as kept on the key: an object of class 0x8043544E whose name is
// KQ_ATTR_CONTAINER and whose CKA_VALUE is a 12-byte reference list of six big-endian file ids
// (0xFFFF: none) naming the two key pairs' certificates, public and private key objects.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/attribute_template.h"

namespace kq::store {

// Positions in the reference list; the mask bit of reference i is 1 << i.
enum ContainerRef : size_t {
  kSignatureCertificate = 0,
  kSignaturePublicKey = 1,
  kSignaturePrivateKey = 2,
  kExchangeCertificate = 3,
  kExchangePublicKey = 4,
  kExchangePrivateKey = 5,
};
inline constexpr size_t kContainerRefCount = 6;
inline constexpr size_t kReferenceListSize = 2 * kContainerRefCount;
inline constexpr uint16_t kNoReference = 0xFFFF;

using ContainerRefs = std::array<uint16_t, kContainerRefCount>;

[[nodiscard]] constexpr uint32_t RefMask(ContainerRef ref) {
  return 1u << ref;
}
[[nodiscard]] constexpr bool IsReferenceSet(uint16_t fileId) {
  return fileId != 0 && fileId != 0xFFFF;
}

// Key specs and algorithms that choose between the container's two key pairs.
inline constexpr uint32_t kAtKeyExchange = 1;
inline constexpr uint32_t kAtSignature = 2;
inline constexpr uint32_t kCalgRsaSign = 0x2400;

// A pair counts as the signature key for CALG_RSA_SIGN or AT_SIGNATURE; anything else exchanges.
[[nodiscard]] constexpr bool IsSignatureKey(uint32_t algorithm, uint32_t keySpec) {
  return algorithm == kCalgRsaSign || keySpec == kAtSignature;
}

// The three references of one key pair.
struct KeyPairRefs {
  ContainerRef certificate;
  ContainerRef publicKey;
  ContainerRef privateKey;
};
inline constexpr KeyPairRefs kSignaturePair{kSignatureCertificate, kSignaturePublicKey,
                                            kSignaturePrivateKey};
inline constexpr KeyPairRefs kExchangePair{kExchangeCertificate, kExchangePublicKey,
                                           kExchangePrivateKey};
[[nodiscard]] constexpr const KeyPairRefs& PairOfKeySpec(uint32_t keySpec) {
  return keySpec == kAtSignature ? kSignaturePair : kExchangePair;
}

struct ContainerInfo {
  std::string name;  // the name's bytes (code page 936), without terminator
  uint16_t fileId = 0xFFFF;
  ContainerRefs refs{kNoReference, kNoReference, kNoReference,
                     kNoReference, kNoReference, kNoReference};
};

// How a parsed object reads as a container.
enum class ContainerShape {
  kContainer,
  kNoClass,
  kOtherClass,
  kNoName,
  kBadReferences,  // CKA_VALUE missing or not 12 bytes
};

// Reads name and references out of a parsed object; `info` is filled only for kContainer.
ContainerShape ReadContainerObject(const AttributeTemplate& object, ContainerInfo& info);

ContainerRefs DecodeReferenceList(const std::array<uint8_t, kReferenceListSize>& bytes);
std::array<uint8_t, kReferenceListSize> EncodeReferenceList(const ContainerRefs& refs);

}  // namespace kq::store
