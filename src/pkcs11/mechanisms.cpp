// The mechanism table, C_GetMechanismList and C_GetMechanismInfo.
#include "pkcs11/mechanisms.h"

#include "pkcs11/call_frame.h"

namespace kq::pkcs11 {

namespace {

constexpr CK_FLAGS kSign = CKF_HW | CKF_SIGN;
constexpr CK_FLAGS kGenerate = CKF_HW | CKF_GENERATE_KEY_PAIR;
constexpr CK_ULONG kRsaMin = 1024;
constexpr CK_ULONG kRsaMax = 2048;
constexpr CK_ULONG kSm2Bits = 256;

// The hash-and-sign mechanisms come first: clients that try the first mechanism listed try one
// that signs any data, single-part and multi-part.
constexpr MechanismEntry kMechanisms[] = {
    {CKM_SHA1_RSA_PKCS, KeyAlgorithm::kRsa, SignInput::kHostHash, HashAlg::kSha1, kRsaMin, kRsaMax,
     kSign},
    {CKM_SHA256_RSA_PKCS, KeyAlgorithm::kRsa, SignInput::kHostHash, HashAlg::kSha256, kRsaMin,
     kRsaMax, kSign},
    {CKM_SHA384_RSA_PKCS, KeyAlgorithm::kRsa, SignInput::kHostHash, HashAlg::kSha384, kRsaMin,
     kRsaMax, kSign},
    {CKM_SHA512_RSA_PKCS, KeyAlgorithm::kRsa, SignInput::kHostHash, HashAlg::kSha512, kRsaMin,
     kRsaMax, kSign},
    {CKM_RSA_PKCS, KeyAlgorithm::kRsa, SignInput::kDigestInfo, HashAlg::kSha1, kRsaMin, kRsaMax,
     kSign},
    {CKM_KQ_SM2_SM3, KeyAlgorithm::kSm2, SignInput::kSm2Message, HashAlg::kSm3, kSm2Bits, kSm2Bits,
     kSign},
    {CKM_KQ_SM2, KeyAlgorithm::kSm2, SignInput::kSm2Digest, HashAlg::kSm3, kSm2Bits, kSm2Bits,
     kSign},
    {CKM_KQ_TRANSACTION, KeyAlgorithm::kRsa, SignInput::kTransaction, HashAlg::kSha1, kSm2Bits,
     kRsaMax, kSign},
    {CKM_RSA_PKCS_KEY_PAIR_GEN, KeyAlgorithm::kRsa, SignInput::kNone, HashAlg::kSha1, kRsaMin,
     kRsaMax, kGenerate},
    {CKM_KQ_SM2_KEY_PAIR_GEN, KeyAlgorithm::kSm2, SignInput::kNone, HashAlg::kSm3, kSm2Bits,
     kSm2Bits, kGenerate},
};

}  // namespace

std::span<const MechanismEntry> Mechanisms() {
  return kMechanisms;
}

const MechanismEntry* FindMechanism(CK_MECHANISM_TYPE type) {
  for (const MechanismEntry& entry : kMechanisms) {
    if (entry.type == type) {
      return &entry;
    }
  }
  return nullptr;
}

CK_RV GetMechanismList(CK_SLOT_ID slotId, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count) {
  return RunCall([&](Module& module) -> CK_RV {
    if (count == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (module.FindSlot(slotId) == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    const CK_ULONG needed = std::size(kMechanisms);
    if (list == nullptr) {
      *count = needed;
      return CKR_OK;
    }
    const bool fits = *count >= needed;
    *count = needed;
    if (!fits) {
      return CKR_BUFFER_TOO_SMALL;
    }
    for (CK_ULONG i = 0; i < needed; ++i) {
      list[i] = kMechanisms[i].type;
    }
    return CKR_OK;
  });
}

CK_RV GetMechanismInfo(CK_SLOT_ID slotId, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info) {
  return RunCall([&](Module& module) -> CK_RV {
    if (info == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (module.FindSlot(slotId) == nullptr) {
      return CKR_SLOT_ID_INVALID;
    }
    const MechanismEntry* entry = FindMechanism(type);
    if (entry == nullptr) {
      return CKR_MECHANISM_INVALID;
    }
    *info = {entry->minKeyBits, entry->maxKeyBits, entry->flags};
    return CKR_OK;
  });
}

}  // namespace kq::pkcs11
