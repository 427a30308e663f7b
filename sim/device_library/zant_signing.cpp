// Signatures: of a finished digest at once, or of a whole transaction message after "OK".

#include "common/codes_device.h"
#include "device/zant.h"
#include "device_library/device_operation.h"

using namespace kq;
using namespace kq::sim;

namespace {

bool ValidSlot(uint32_t keyNumber) {
  return keyNumber >= kFirstSlot && keyNumber <= kLastSlot;
}

constexpr uint32_t kTransactionUsage = 1;  // the generation option of device usage 2

// A strict key's transaction key signs a digest only through the handle that generated that very
// pair: the signature of its own certification request, before any certificate makes it worth
// anything, and only once. A pair generated later in the slot, by another handle, is not
// covered, nor one whose PIN was verified again (after a replug or a reset).
bool RefusedByUsage(const OpenKey& open, const KeyAccess& access, uint32_t keyNumber,
                    const KeyPair& pair) {
  if (!access.state.strictUsage) {
    return false;
  }
  const std::optional<SlotInfo> slot = access.key.ReadSlot(keyNumber);
  if (!slot || slot->usage != kTransactionUsage) {
    return false;
  }
  const auto generated = open.generatedPairs.find(keyNumber);
  return generated == open.generatedPairs.end() || generated->second != pair.PublicFirst();
}

size_t SignatureSize(const KeyPair& pair) {
  return pair.algorithm() == KeyAlgorithm::kSm2 ? 2 * 32 : pair.bits() / 8;
}

}  // namespace

extern "C" uint32_t ZANT_RSAPrivateSign(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                                        const uint8_t* data, uint32_t dataLength,
                                        uint8_t* signature, uint32_t* signatureLength,
                                        uint32_t /*reserved*/) {
  return RunOnKey("ZANT_RSAPrivateSign", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (!ValidSlot(keyNumber)) {
      return dev::kSwIncorrectP1P2;
    }
    if (data == nullptr || signatureLength == nullptr) {
      return dev::kSwWrongData;
    }
    if (!access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    const std::optional<KeyPair> pair = access.key.LoadKeyPair(keyNumber);
    if (!pair) {
      return dev::kSwKeyNotFound;
    }
    if (RefusedByUsage(open, access, keyNumber, *pair)) {
      return dev::kSwUsageRefused;
    }
    // A size query or a short buffer costs no signature.
    const auto size = static_cast<uint32_t>(SignatureSize(*pair));
    if (signature == nullptr || *signatureLength < size) {
      const uint32_t status = signature == nullptr ? dev::kOk : dev::kSwWrongLength;
      *signatureLength = size;
      return status;
    }
    std::vector<uint8_t> result;
    const uint32_t status = pair->SignDigest(hashAlg, {data, dataLength}, result);
    if (status != dev::kOk) {
      return status;
    }
    // The exception covers one signature, the request's: a second one is refused.
    open.generatedPairs.erase(keyNumber);
    return CopyOut(result, signature, signatureLength);
  });
}

extern "C" uint32_t ZANT_RSAPrivateSignEx(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                                          const uint8_t* data, uint32_t dataLength,
                                          uint8_t* signature, uint32_t* signatureLength,
                                          uint32_t /*reserved*/) {
  return RunOnKey(
      "ZANT_RSAPrivateSignEx", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
        if (!ValidSlot(keyNumber)) {
          return dev::kSwIncorrectP1P2;
        }
        if (data == nullptr || dataLength == 0) {
          return dev::kSwWrongData;
        }
        if (!access.state.pinVerified) {
          return dev::kSwSecurityNotSatisfied;
        }
        const std::optional<KeyPair> pair = access.key.LoadKeyPair(keyNumber);
        if (!pair) {
          return dev::kSwKeyNotFound;
        }
        // The key hashes the message itself (for SM2: Z over the default identity, then e) and
        // signs after "OK"; the signature is fetched with ZANT_GetData.
        if (!MessageDigest(*pair, hashAlg, {data, dataLength})) {
          return dev::kSwWrongData;
        }
        const std::vector<uint8_t> message(data, data + dataLength);
        WaitStart start = StartButtonWait(
            open, access, SignatureSize(*pair), [message, hashAlg, keyNumber](KeyAccess& later) {
              WaitResult result;
              const std::optional<KeyPair> signer = later.key.LoadKeyPair(keyNumber);
              const std::optional<std::vector<uint8_t>> digest =
                  signer ? MessageDigest(*signer, hashAlg, message) : std::nullopt;
              result.status =
                  digest ? signer->SignDigest(hashAlg, *digest, result.data) : dev::kSwKeyNotFound;
              return result;
            });
        if (!start.done) {
          return start.status;
        }
        // No wait on this key: the signature goes straight to the caller's buffer.
        if (start.done->status != dev::kOk) {
          return start.done->status;
        }
        if (signatureLength == nullptr) {
          return dev::kSwWrongData;
        }
        return CopyOut(start.done->data, signature, signatureLength);
      });
}
