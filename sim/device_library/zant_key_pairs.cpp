// Key pairs in the key's five slots: generation, deletion and their public parts, and the values
// the key computes from them.

#include <mbedtls/sha256.h>

#include <cstring>

#include "common/codes_device.h"
#include "device/zant.h"
#include "device_library/device_operation.h"
#include "softkey/soft_key.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr size_t kMaxTagLength = 16;
constexpr uint32_t kMaxUsage = 0xF;
constexpr size_t kPubSigHeaderSize = 50;

bool ValidSlot(uint32_t keyNumber) {
  return keyNumber >= kFirstSlot && keyNumber <= kLastSlot;
}

// The public-key signature value of an RSA key (ZANT_GetPubSigVal): a 50-byte header followed by
// the modulus. Header: "PSV1", key number, algorithm nibble, modulus bits (big-endian, 2 bytes),
// public exponent (4 bytes), SHA-256 over modulus and exponent (32 bytes), 6 zero bytes.
std::vector<uint8_t> PublicSignatureValue(uint32_t keyNumber, const KeyPair& pair) {
  const std::vector<uint8_t> modulus = pair.PublicFirst();
  const std::vector<uint8_t> exponent = pair.PublicSecond();
  std::vector<uint8_t> value(kPubSigHeaderSize, 0);
  std::memcpy(value.data(), "PSV1", 4);
  value[4] = static_cast<uint8_t>(keyNumber);
  value[5] = static_cast<uint8_t>(pair.algorithm());
  value[6] = static_cast<uint8_t>(pair.bits() >> 8);
  value[7] = static_cast<uint8_t>(pair.bits());
  std::memcpy(value.data() + 8, exponent.data(), std::min<size_t>(exponent.size(), 4));
  std::vector<uint8_t> hashed = modulus;
  hashed.insert(hashed.end(), exponent.begin(), exponent.end());
  mbedtls_sha256_ret(hashed.data(), hashed.size(), value.data() + 12, 0);
  value.insert(value.end(), modulus.begin(), modulus.end());
  return value;
}

}  // namespace

extern "C" uint32_t ZANT_GenerateRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, const char* tag,
                                        uint32_t bits, uint32_t option) {
  return RunOnKey("ZANT_GenerateRSAKey", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    const std::optional<KeyAlgorithm> algorithm = KeyAlgorithmFromBits(bits);
    if (!algorithm || option > kMaxUsage) {
      return dev::kSwWrongData;
    }
    if (!access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    const SlotInfo info{*algorithm, option,
                        tag != nullptr ? std::string(tag, strnlen(tag, kMaxTagLength)) : ""};
    // The pair is made after "OK"; an existing pair in the slot is replaced.
    return StartButtonWait(open, access, 0,
                           [info, keyNumber, &open](KeyAccess& later) -> WaitResult {
                             std::optional<KeyPair> pair = KeyPair::Generate(info.algorithm);
                             if (!pair) {
                               return WaitResult{dev::kSwUnknown, {}};
                             }
                             if (!later.key.StoreKeyPair(keyNumber, info, *pair)) {
                               return WaitResult{dev::kSwMemoryFailure, {}};
                             }
                             open.generatedPairs[keyNumber] = pair->PublicFirst();
                             return WaitResult{dev::kOk, {}};
                           })
        .status;
  });
}

extern "C" uint32_t ZANT_DeleteRSAKey(ZANT_HANDLE handle, uint32_t keyNumber,
                                      uint32_t /*reserved*/) {
  return RunOnKey("ZANT_DeleteRSAKey", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    if (!access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    if (!access.key.ReadSlot(keyNumber)) {
      return dev::kSwKeyNotFound;
    }
    return StartButtonWait(open, access, 0,
                           [keyNumber](KeyAccess& later) -> WaitResult {
                             if (!later.key.ReadSlot(keyNumber)) {
                               return WaitResult{dev::kSwKeyNotFound, {}};
                             }
                             return WaitResult{
                                 later.key.DeleteSlot(keyNumber) ? dev::kOk : dev::kSwMemoryFailure,
                                 {}};
                           })
        .status;
  });
}

extern "C" uint32_t ZANT_GetKeyInfo(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* keyBits,
                                    uint32_t* flags) {
  return RunOnKey("ZANT_GetKeyInfo", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    if (keyBits == nullptr || flags == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<SlotInfo> info = access.key.ReadSlot(keyNumber);
    if (!info) {
      return dev::kSwKeyNotFound;
    }
    // Bits 0-3: 1 RSA 1024, 2 RSA 2048, 3 SM2; bits 4-7: the generation option (usage - 1).
    *keyBits = KeyAlgorithmBits(info->algorithm);
    *flags = static_cast<uint32_t>(info->algorithm) | (info->usage << 4);
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_ReadRSAPub(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* bits,
                                    uint8_t* first, uint32_t* firstLength, uint8_t* second,
                                    uint32_t* secondLength, uint32_t /*reserved*/) {
  return RunOnKey("ZANT_ReadRSAPub", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    if (firstLength == nullptr || secondLength == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<KeyPair> pair = access.key.LoadKeyPair(keyNumber);
    if (!pair) {
      return dev::kSwKeyNotFound;
    }
    const std::vector<uint8_t> a = pair->PublicFirst();
    const std::vector<uint8_t> b = pair->PublicSecond();
    if (bits != nullptr) {
      *bits = pair->bits();
    }
    // Both buffers are checked before either is written.
    if ((first != nullptr && *firstLength < a.size()) ||
        (second != nullptr && *secondLength < b.size())) {
      *firstLength = static_cast<uint32_t>(a.size());
      *secondLength = static_cast<uint32_t>(b.size());
      return dev::kSwWrongLength;
    }
    (void)CopyOut(a, first, firstLength);
    (void)CopyOut(b, second, secondLength);
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_RSAPublicDec(ZANT_HANDLE handle, uint32_t keyNumber, const uint8_t* input,
                                      uint32_t inputLength, uint8_t* output,
                                      uint32_t* outputLength) {
  return RunOnKey("ZANT_RSAPublicDec", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    if (input == nullptr || outputLength == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<KeyPair> pair = access.key.LoadKeyPair(keyNumber);
    if (!pair) {
      return dev::kSwKeyNotFound;
    }
    std::vector<uint8_t> result;
    const uint32_t status = pair->PublicOperation({input, inputLength}, result);
    if (status != dev::kOk) {
      return status;
    }
    return CopyOut(result, output, outputLength);
  });
}

extern "C" uint32_t ZANT_GetPubSigVal(ZANT_HANDLE handle, uint32_t keyNumber,
                                      const void* callerData, uint8_t* value,
                                      uint32_t* valueLength) {
  return RunOnKey("ZANT_GetPubSigVal", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    // The caller's pointer is required but its contents are not read: the key cannot know how
    // far it reaches.
    if (callerData == nullptr || valueLength == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<KeyPair> pair = access.key.LoadKeyPair(keyNumber);
    if (!pair) {
      return dev::kSwKeyNotFound;
    }
    if (pair->algorithm() == KeyAlgorithm::kSm2) {
      return dev::kSwFunctionNotSupported;
    }
    return CopyOut(PublicSignatureValue(keyNumber, *pair), value, valueLength);
  });
}

extern "C" uint32_t ZANT_ReadBirCert(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length) {
  return RunOnKey("ZANT_ReadBirCert", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<std::vector<uint8_t>> block = access.key.ReadIdentityBlock();
    if (!block) {
      return dev::kSwFileNotFound;
    }
    const uint32_t status = CopyOut(*block, buffer, length);
    // This operation reports a short buffer with its own status.
    return status == dev::kSwWrongLength ? dev::kBufferTooSmallBir : status;
  });
}
