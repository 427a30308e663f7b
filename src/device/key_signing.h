#pragma once
// Signing on the key, the one way both the provider and the signature export reach the key's
// private key. A digest computed on the host is signed at once and never waits. A transaction
// message goes to the key whole: the key shows it, hashes it and, when it asks for its button,
// signs once the user presses OK while the confirmation wait runs on the caller's thread.
// The outcome is the key's own; each caller reports it in its own codes.

#include <cstdint>
#include <span>

#include "crypto/hash_alg.h"
#include "device/device_session.h"
#include "ui/confirmation_wait.h"

namespace kq {

struct KeySigningRequest {
  uint32_t keyNumber = 0;
  HashAlg hashAlg = HashAlg::kSha1;
  std::span<const uint8_t> data;  // the digest, or the whole transaction message
  bool transaction = false;       // data is a message for the key to show and hash
};

enum class KeySigningOutcome {
  kSigned,
  kRefused,       // the signing operation failed: status holds the device's status
  kNotConfirmed,  // the button wait ended without a signature: wait says how
};

// A caller's codes for the ways signing can end.
struct RefusalCode {
  uint32_t statusWord;
  uint32_t code;
};
struct SigningCodes {
  ui::WaitCodes wait;                     // the button wait ended without a signature
  std::span<const RefusalCode> refusals;  // the key refused with one of these status words
  uint32_t refused;                       // any other refusal
};

struct KeySigningResult {
  KeySigningOutcome outcome = KeySigningOutcome::kRefused;
  uint32_t status = 0;
  ui::ConfirmedOperation wait;

  // 0 when signed, else the caller's code for how signing ended.
  [[nodiscard]] uint32_t Code(const SigningCodes& codes) const;
};

// Signs into signature; signatureLength is the capacity on entry and the signature's length on
// return, as the device library reports it (most significant byte first).
KeySigningResult SignOnKey(const DeviceSession& session, const KeySigningRequest& request,
                           uint8_t* signature, uint32_t* signatureLength);

}  // namespace kq
