#include "device/key_signing.h"

#include "common/codes_device.h"

namespace kq {

namespace {

constexpr uint32_t kSignedTransactionKind = 5;  // ZANT_GetData kind that returns the signature

}  // namespace

uint32_t KeySigningResult::Code(const SigningCodes& codes) const {
  switch (outcome) {
    case KeySigningOutcome::kSigned:
      return 0;
    case KeySigningOutcome::kNotConfirmed:
      return wait.Code(codes.wait);
    case KeySigningOutcome::kRefused:
      break;
  }
  for (const RefusalCode& refusal : codes.refusals) {
    if (dev::StatusWord(status) == refusal.statusWord) {
      return refusal.code;
    }
  }
  return codes.refused;
}

KeySigningResult SignOnKey(const DeviceSession& session, const KeySigningRequest& request,
                           uint8_t* signature, uint32_t* signatureLength) {
  const auto dataLength = static_cast<uint32_t>(request.data.size());
  const auto hashAlg = static_cast<uint32_t>(request.hashAlg);
  KeySigningResult result;
  if (!request.transaction) {
    // A key that asks for its button here fails: a digest is never confirmed on the key.
    result.status = session.RSAPrivateSign(request.keyNumber, hashAlg, request.data.data(),
                                           dataLength, signature, signatureLength, 0);
  } else {
    result.status = session.RSAPrivateSignEx(request.keyNumber, hashAlg, request.data.data(),
                                             dataLength, signature, signatureLength, 0);
    if (dev::IsButtonWait(result.status)) {
      result.wait = ui::ConfirmOnKey(session.handle(), ui::kWaitTransactionSigning, signature,
                                     signatureLength, kSignedTransactionKind);
      result.outcome =
          result.wait.Succeeded() ? KeySigningOutcome::kSigned : KeySigningOutcome::kNotConfirmed;
      return result;
    }
  }
  result.outcome = result.status == 0 ? KeySigningOutcome::kSigned : KeySigningOutcome::kRefused;
  return result;
}

}  // namespace kq
