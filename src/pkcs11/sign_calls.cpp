// Signing: C_SignInit checks the key and mechanism, C_Sign and C_SignUpdate/C_SignFinal prepare
// what the key signs (a digest, e, or a whole transaction message) and the key signs it.
#include <algorithm>
#include <array>
#include <cstring>

#include "common/codes_device.h"
#include "crypto/digest_info.h"
#include "crypto/hash_classes.h"
#include "crypto/sm2_prepare.h"
#include "crypto/transaction_message.h"
#include "device/key_signing.h"
#include "pkcs11/call_frame.h"
#include "pkcs11/mechanisms.h"
#include "pkcs11/module_calls.h"
#include "pkcs11/object_lookup.h"
#include "pkcs11/wait_codes.h"

namespace kq::pkcs11 {

namespace {

constexpr size_t kSm2SignatureSize = 64;
constexpr size_t kSm2DigestSize = 32;
constexpr size_t kLargestSignature = 512;
constexpr size_t kLongestUserId = 255;

// A key that has forgotten its verified PIN refuses, and one whose usage does not allow the
// signature; everything else is the device's failure.
constexpr RefusalCode kRefusals[] = {
    {dev::kSwSecurityNotSatisfied, CKR_USER_NOT_LOGGED_IN},
    {dev::kSwMessageBadLength, CKR_DATA_INVALID},
    {dev::kSwUsageRefused, CKR_KEY_FUNCTION_NOT_PERMITTED},  // a key kept for transactions
};
constexpr SigningCodes kSigningCodes{kButtonWaitCodes, kRefusals, CKR_DEVICE_ERROR};

size_t SignatureSize(const TokenObject& key) {
  return key.algorithm == KeyAlgorithm::kSm2 ? kSm2SignatureSize : key.publicKey.size();
}

// What the key signs for the operation and the whole input: the digest to sign, its hash number
// and whether the key takes the whole message as a transaction.
struct KeyInput {
  std::vector<uint8_t> data;
  HashAlg hash = HashAlg::kSha1;
  bool transaction = false;
};

CK_RV PrepareSm2Message(const SignOperation& sign, const TokenObject& key,
                        std::span<const uint8_t> message, KeyInput& input) {
  if (key.publicKey.size() != 2 * kSm2CoordinateSize) {
    return CKR_KEY_HANDLE_INVALID;
  }
  const std::span<const uint8_t> point(key.publicKey);
  Sm3Digest z{};
  if (!Sm2IdentityDigest(sign.userId, point.first<kSm2CoordinateSize>(),
                         point.last<kSm2CoordinateSize>(), z)) {
    return CKR_MECHANISM_PARAM_INVALID;
  }
  Sm3 sm3;
  sm3.Update(z);
  sm3.Update(message);
  const Sm3Digest e = sm3.Final();
  input = {{e.begin(), e.end()}, HashAlg::kSm3, false};
  return CKR_OK;
}

CK_RV PrepareInput(const MechanismEntry& mechanism, SignOperation& sign, const TokenObject& key,
                   std::span<const uint8_t> data, KeyInput& input) {
  switch (mechanism.input) {
    case SignInput::kDigestInfo: {
      std::span<const uint8_t> digest;
      const std::optional<HashAlg> hash = HashOfDigestInfo(data, digest);
      if (!hash) {
        return CKR_DATA_INVALID;
      }
      input = {{digest.begin(), digest.end()}, *hash, false};
      return CKR_OK;
    }
    case SignInput::kHostHash: {
      UpdateWhole(*sign.digest, data);
      input.data.resize(sign.digest->GetDigestSize());
      sign.digest->Final(input.data.data());
      input.hash = mechanism.hash;
      return CKR_OK;
    }
    case SignInput::kSm2Message:
      return PrepareSm2Message(sign, key, data, input);
    case SignInput::kSm2Digest:
      if (data.size() != kSm2DigestSize) {
        return CKR_DATA_LEN_RANGE;
      }
      input = {{data.begin(), data.end()}, HashAlg::kSm3, false};
      return CKR_OK;
    case SignInput::kTransaction:
      if (CheckTransactionMessage(data) != 0) {
        return CKR_DATA_INVALID;
      }
      input = {{data.begin(), data.end()},
               key.algorithm == KeyAlgorithm::kSm2 ? HashAlg::kSm3 : HashAlg::kSha1,
               true};
      return CKR_OK;
    case SignInput::kNone:
      break;
  }
  return CKR_GENERAL_ERROR;
}

// The size rules of every signing call: a null buffer asks for the size, a short one gets it
// with CKR_BUFFER_TOO_SMALL; in both cases the operation stays active.
CK_RV CheckSignatureRoom(const TokenObject& key, CK_BYTE_PTR signature, CK_ULONG_PTR length,
                         bool& sizeOnly) {
  const size_t size = SignatureSize(key);
  sizeOnly = signature == nullptr;
  if (sizeOnly) {
    *length = static_cast<CK_ULONG>(size);
    return CKR_OK;
  }
  if (*length < size) {
    *length = static_cast<CK_ULONG>(size);
    return CKR_BUFFER_TOO_SMALL;
  }
  return CKR_OK;
}

// Signs the prepared input on the key and ends the operation.
CK_RV SignOnToken(const Slot& slot, const TokenObject& key, const KeyInput& input,
                  CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
  DeviceSession device;
  if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
    return opened;
  }
  // Another program may have replaced the pair in the key's slot since C_SignInit found it:
  // under the key's lock, the slot must still hold the key the object named.
  if (!KeyUnchanged(device, key)) {
    return CKR_KEY_HANDLE_INVALID;
  }
  std::array<uint8_t, kLargestSignature> produced{};
  uint32_t producedLength = static_cast<uint32_t>(produced.size());
  const CK_RV rv = static_cast<CK_RV>(
      SignOnKey(device, {key.keyNumber, input.hash, input.data, input.transaction}, produced.data(),
                &producedLength)
          .Code(kSigningCodes));
  if (rv != CKR_OK) {
    return rv;
  }
  if (producedLength > produced.size() || producedLength > *signatureLength) {
    return CKR_DEVICE_ERROR;
  }
  std::memcpy(signature, produced.data(), producedLength);
  *signatureLength = producedLength;
  return CKR_OK;
}

// The session's active signing operation with its key as C_SignInit found it; null with the
// reason in rv (a logout since then ends the operation).
const TokenObject* ActiveKey(Session& session, const Slot& slot, CK_RV& rv) {
  if (!session.sign.active) {
    rv = CKR_OPERATION_NOT_INITIALIZED;
    return nullptr;
  }
  if (!slot.loggedIn) {
    session.sign = {};
    rv = CKR_KEY_HANDLE_INVALID;
    return nullptr;
  }
  return &session.sign.keyObject;
}

// The end of every signature: the size rules, then the input prepared and signed on the key,
// and the operation ended (a size query and a short buffer keep it).
CK_RV CompleteSignature(Session& session, Slot& slot, const TokenObject& key,
                        std::span<const uint8_t> data, CK_BYTE_PTR signature,
                        CK_ULONG_PTR signatureLength) {
  bool sizeOnly = false;
  if (const CK_RV rv = CheckSignatureRoom(key, signature, signatureLength, sizeOnly);
      rv != CKR_OK || sizeOnly) {
    return rv;
  }
  const MechanismEntry& mechanism = *FindMechanism(session.sign.mechanism);
  KeyInput input;
  CK_RV rv = PrepareInput(mechanism, session.sign, key, data, input);
  if (rv == CKR_OK) {
    rv = SignOnToken(slot, key, input, signature, signatureLength);
  }
  session.sign = {};
  if (rv == CKR_USER_NOT_LOGGED_IN) {
    slot.loggedIn = false;  // another program ended the key's login: the user may log in again
  }
  return rv;
}

}  // namespace

CK_RV SignInit(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE keyHandle) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (mechanism == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (session.sign.active) {
      return CKR_OPERATION_ACTIVE;
    }
    const MechanismEntry* entry = FindMechanism(mechanism->mechanism);
    if (entry == nullptr || (entry->flags & CKF_SIGN) == 0) {
      return CKR_MECHANISM_INVALID;
    }
    if (!slot.loggedIn) {
      return CKR_USER_NOT_LOGGED_IN;
    }
    CK_RV rv = CKR_OK;
    const TokenObject* key = FindVisibleObject(slot, session.slot, keyHandle, rv);
    if (key == nullptr || key->objectClass != CKO_PRIVATE_KEY) {
      return CKR_KEY_HANDLE_INVALID;
    }
    const bool anyKey = entry->input == SignInput::kTransaction;
    if (!anyKey && key->algorithm != entry->algorithm) {
      return CKR_KEY_TYPE_INCONSISTENT;
    }
    SignOperation sign;
    sign.mechanism = entry->type;
    sign.keyObject = *key;
    if (entry->input == SignInput::kSm2Message) {
      if (mechanism->ulParameterLen != 0) {
        if (mechanism->ulParameterLen > kLongestUserId || mechanism->pParameter == nullptr) {
          return CKR_MECHANISM_PARAM_INVALID;
        }
        const auto* id = static_cast<const uint8_t*>(mechanism->pParameter);
        sign.userId.assign(id, id + mechanism->ulParameterLen);
      } else {
        sign.userId.assign(kSm2DefaultIdentity.begin(), kSm2DefaultIdentity.end());
      }
    } else if (mechanism->ulParameterLen != 0) {
      return CKR_MECHANISM_PARAM_INVALID;
    }
    if (entry->input == SignInput::kHostHash) {
      sign.digest = CreateHashEngine(entry->hash);
      if (!sign.digest) {
        return CKR_GENERAL_ERROR;
      }
    }
    sign.active = true;
    session.sign = std::move(sign);
    return CKR_OK;
  });
}

CK_RV Sign(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG dataLength, CK_BYTE_PTR signature,
           CK_ULONG_PTR signatureLength) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    CK_RV rv = CKR_OK;
    const TokenObject* key = ActiveKey(session, slot, rv);
    if (key == nullptr) {
      return rv;
    }
    if (signatureLength == nullptr || (data == nullptr && dataLength != 0)) {
      session.sign = {};
      return CKR_ARGUMENTS_BAD;
    }
    if (session.sign.updated) {
      return CKR_OPERATION_ACTIVE;
    }
    return CompleteSignature(session, slot, *key, {data, dataLength}, signature, signatureLength);
  });
}

CK_RV SignUpdate(CK_SESSION_HANDLE handle, CK_BYTE_PTR part, CK_ULONG partLength) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    CK_RV rv = CKR_OK;
    const TokenObject* key = ActiveKey(session, slot, rv);
    if (key == nullptr) {
      return rv;
    }
    if (part == nullptr && partLength != 0) {
      session.sign = {};
      return CKR_ARGUMENTS_BAD;
    }
    const MechanismEntry& mechanism = *FindMechanism(session.sign.mechanism);
    const std::span<const uint8_t> bytes(part, partLength);
    if (mechanism.input == SignInput::kHostHash) {
      UpdateWhole(*session.sign.digest, bytes);
    } else if (mechanism.input == SignInput::kSm2Message) {
      session.sign.message.insert(session.sign.message.end(), bytes.begin(), bytes.end());
    } else {
      // The key signs these inputs whole: no multi-part form. The operation stays, so the
      // caller can still sign the input whole with C_Sign (as OpenSC's tools do).
      return CKR_FUNCTION_NOT_SUPPORTED;
    }
    session.sign.updated = true;
    return CKR_OK;
  });
}

CK_RV SignFinal(CK_SESSION_HANDLE handle, CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    CK_RV rv = CKR_OK;
    const TokenObject* key = ActiveKey(session, slot, rv);
    if (key == nullptr) {
      return rv;
    }
    if (signatureLength == nullptr) {
      session.sign = {};
      return CKR_ARGUMENTS_BAD;
    }
    const MechanismEntry& mechanism = *FindMechanism(session.sign.mechanism);
    if (mechanism.input != SignInput::kHostHash && mechanism.input != SignInput::kSm2Message) {
      session.sign = {};
      return CKR_FUNCTION_NOT_SUPPORTED;
    }
    return CompleteSignature(session, slot, *key, session.sign.message, signature, signatureLength);
  });
}

}  // namespace kq::pkcs11
