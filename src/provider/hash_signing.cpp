// Signing a hash with the container's private key on the key, and verifying a signature on the
// host. Signatures are handed to callers least significant byte first.
#include <algorithm>

#include "common/codes_cryptoapi.h"
#include "common/codes_device.h"
#include "crypto/rsa_verify.h"
#include "device/key_signing.h"
#include "provider/device_access.h"
#include "provider/hash_operations.h"
#include "provider/key_algorithms.h"
#include "provider/pin_state.h"
#include "provider/provider_last_error.h"
#include "store/public_key_object.h"

namespace kq::provider {

namespace {

constexpr uint32_t kCryptNoHashOid = 0x1;  // CPSignHash: sign the digest without its DigestInfo

// The key refused the transaction message for the reason its status word names.
constexpr RefusalCode kTransactionRefusals[] = {
    {dev::kSwMessageBadParameter, win::kScardInvalidParameter},
    {dev::kSwMessageIllegal, win::kSecIllegalMessage},
    {dev::kSwMessageBadData, win::kNteBadData},
    {dev::kSwMessageBadLength, win::kNteBadLen},
};

// A transaction ends in a cancel for every end of the button wait but a confirmation; a digest
// is never confirmed on the key, and every refusal of it is a failure.
constexpr SigningCodes kTransactionCodes{{win::kNteFail, win::kScardCancelledByUser,
                                          win::kScardCancelledByUser, win::kScardCancelledByUser},
                                         kTransactionRefusals,
                                         win::kNteFail};
constexpr SigningCodes kDigestCodes{kTransactionCodes.wait, {}, win::kNteFail};

// The key shows the whole message, hashes it itself and signs once the user presses "OK".
uint32_t SignTransaction(ProviderContext& context, DeviceSession& session, uint8_t keyNumber,
                         const HashObject& hash, std::span<const uint8_t> message,
                         uint8_t* signature, uint32_t* signatureLength) {
  // The PIN is asked for every transaction, and the next plain signature asks again.
  if (const uint32_t code = LoginForContext(context, session, LoginMode::kAlways); code != 0) {
    return code;
  }
  context.loggedIn = false;
  return SignOnKey(session, {keyNumber, hash.hashAlg, message, true}, signature, signatureLength)
      .Code(kTransactionCodes);
}

uint32_t SignDigest(ProviderContext& context, DeviceSession& session, uint8_t keyNumber,
                    const HashObject& hash, std::span<const uint8_t> digest, uint8_t* signature,
                    uint32_t* signatureLength) {
  LoginMode mode = LoginMode::kAlways;
  if ((hash.algId == kCalgSsl3ShaMd5 && ProviderPinVerified()) || context.containerCreated ||
      context.loggedIn) {
    mode = LoginMode::kIfNotLoggedIn;
  }
  if (const uint32_t code = LoginForContext(context, session, mode); code != 0) {
    return code;
  }
  return SignOnKey(session, {keyNumber, hash.hashAlg, digest, false}, signature, signatureLength)
      .Code(kDigestCodes);
}

}  // namespace

KqBool SignHashOn(ProviderContext& context, KqHandle hHash, uint32_t keySpec, uint32_t flags,
                  uint8_t* signature, uint32_t* signatureLength) {
  if (signatureLength == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  if (hHash == 0) {
    return Fail(win::kErrorInvalidHandle);
  }
  const HeldHash hash(context.FindHash(hHash));
  if (hash.busy()) {
    return Fail(win::kErrorBusy);
  }
  if (!hash.found()) {
    return Fail(win::kNteBadHash);
  }
  // The key puts the DigestInfo of the hash number into every signature and cannot sign a bare
  // digest: a caller asking for one (CRYPT_NOHASHOID) is refused rather than handed a signature
  // its verifier rejects. The SSL3 pair carries no DigestInfo, so it is bare either way. Every
  // other flag is left unexamined, as before.
  if ((flags & kCryptNoHashOid) != 0 && hash->algId != kCalgSsl3ShaMd5) {
    return Fail(win::kNteBadFlags);
  }
  if (keySpec != kAtKeyExchange && keySpec != kAtSignature) {
    return Fail(win::kNteBadAlgId);
  }
  const std::span<const uint8_t> digest = FinishHash(*hash);

  DeviceSession session;
  store::ContainerInfo container;
  if (const uint32_t code = OpenContainer(context, session, container, win::kNteFail); code != 0) {
    return Fail(code);
  }
  const uint16_t publicKeyFile = container.refs[store::PairOfKeySpec(keySpec).publicKey];
  if (!store::IsReferenceSet(publicKeyFile)) {
    return Fail(win::kNteNoKey);
  }
  uint8_t keyNumber = 0xFF;
  PublicKeyRecord record;
  if (store::ReadPublicKeyRecord(session, publicKeyFile, keyNumber, record) != 0) {
    return Fail(win::kNteFail);
  }
  const uint32_t length = static_cast<uint32_t>(record.ModulusBytes().size());
  if (signature == nullptr) {
    *signatureLength = length;
    return Succeed();
  }
  const uint32_t room = *signatureLength;
  if (room < length) {
    *signatureLength = length;
    return Fail(win::kErrorMoreData);
  }

  const std::span<const uint8_t> message = hash->hasMessage && hash->algId != kCalgMd5
                                               ? hash->message.Message()
                                               : std::span<const uint8_t>();
  const uint32_t code =
      !message.empty()
          ? SignTransaction(context, session, keyNumber, *hash, message, signature, signatureLength)
          : SignDigest(context, session, keyNumber, *hash, digest, signature, signatureLength);
  if (code != 0) {
    return Fail(code);
  }
  // The key gives the signature most significant byte first; never more than the caller's room.
  *signatureLength = std::min(*signatureLength, room);
  std::reverse(signature, signature + *signatureLength);
  return Succeed();
}

KqBool VerifySignatureOn(ProviderContext& context, KqHandle hHash, const uint8_t* signature,
                         uint32_t signatureLength, KqHandle hPubKey) {
  if (signature == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  if (signatureLength != 128 && signatureLength != 256) {
    return Fail(win::kNteBadLen);
  }
  const HeldHash hash(context.FindHash(hHash));
  if (hash.busy()) {
    return Fail(win::kErrorBusy);
  }
  if (!hash.found()) {
    return Fail(win::kNteBadHash);
  }
  const std::shared_ptr<const KeyObject> key = context.FindKey(hPubKey);
  if (key == nullptr || key->kind != kKeyKindRsa || !key->publicKey.has_value()) {
    return Fail(win::kNteBadKey);
  }
  const std::span<const uint8_t> digest = FinishHash(*hash);
  const uint32_t code = RsaVerifyDigest(*key->publicKey, static_cast<uint32_t>(hash->hashAlg),
                                        {signature, signatureLength}, digest);
  return code == 0 ? Succeed() : Fail(code);
}

}  // namespace kq::provider
