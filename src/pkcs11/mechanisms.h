#pragma once
// The one table of mechanisms: what each signs with, its key sizes and flags. Every signing
// mechanism runs on the key (CKF_HW); the key pads PKCS #1 v1.5 itself and cannot make PSS
// signatures, so no PSS mechanism is offered.

#include <optional>
#include <span>

#include "crypto/hash_alg.h"
#include "pkcs11/pkcs11_types.h"
#include "pkcs11/token_objects.h"

namespace kq::pkcs11 {

enum class SignInput {
  kDigestInfo,   // CKM_RSA_PKCS: a DigestInfo or the 36-byte MD5 and SHA-1 pair
  kHostHash,     // the host hashes with `hash`, the key signs the digest
  kSm2Message,   // SM2 over SM3 with Z, hashed on the host
  kSm2Digest,    // SM2 over a given e
  kTransaction,  // a transaction message the key shows, hashes and signs after its button
  kNone,         // not a signing mechanism (key pair generation)
};

struct MechanismEntry {
  CK_MECHANISM_TYPE type;
  KeyAlgorithm algorithm;
  SignInput input;
  HashAlg hash;  // kHostHash only
  CK_ULONG minKeyBits;
  CK_ULONG maxKeyBits;
  CK_FLAGS flags;
};

std::span<const MechanismEntry> Mechanisms();
const MechanismEntry* FindMechanism(CK_MECHANISM_TYPE type);

}  // namespace kq::pkcs11
