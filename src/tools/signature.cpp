// KQ_GetSignature: signs with the key whose certificate has the caller's subject and returns the
// raw signature with that certificate.
#include <algorithm>
#include <array>
#include <climits>
#include <string>

#include "common/codes_tools.h"
#include "crypto/transaction_message.h"
#include "pki/dn_text.h"
#include "platform/last_error.h"
#include "store/key_ownership.h"
#include "store/public_key_object.h"
#include "tools/key_certificates.h"
#include "tools/named_hash_signing.h"
#include "tools/output_buffer.h"
#include "tools/reader_walk.h"
#include "tools/signature_exports.h"
#include "tools/signing_path.h"
#include "tools/tool_login.h"

namespace kq::tools {

namespace {

namespace code = tool::signature;

constexpr size_t kSignatureCapacity = 2048;

struct SigningKey {
  std::vector<uint8_t> certificate;
  uint8_t keyNumber = 0;
  uint8_t algorithm = 0;
  uint32_t deviceUsage = 0;
  store::AttributeTemplate publicKeyObject;  // the certificate's public key object
};

bool SameSubject(const SignatureRequest& request, const std::string& subject) {
  return DnEqual(request.subjectDn, static_cast<int32_t>(request.dnLength), subject.data(),
                 static_cast<int32_t>(subject.size())) == 0;
}

// The key of this device whose certificate has the subject, exchange keys first. Each container
// is read only when the ones before it held no match: the first match ends the walk.
bool FindOnKey(const DeviceSession& session, const SignatureRequest& request, SigningKey& key) {
  const auto slots = ReadObjectIndexSlots(session);
  if (!slots) {
    return false;
  }
  for (const store::IndexSlot& slot : *slots) {
    const std::optional<store::ContainerInfo> container = ReadContainerAt(session, slot);
    if (!container) {
      continue;
    }
    for (const store::KeyPairRefs& pair : kPairsInListingOrder) {
      auto certificate = ReadKeyCertificate(session, container->refs[pair.certificate]);
      if (!certificate || !SameSubject(request, certificate->subject)) {
        continue;
      }
      uint32_t bits = 0;
      uint32_t flags = 0;
      if (store::ReadKeyNumberOfObject(session, container->refs[pair.publicKey], false,
                                       key.keyNumber, &key.publicKeyObject) != 0 ||
          session.GetKeyInfo(key.keyNumber, &bits, &flags) != 0) {
        continue;
      }
      key.certificate = std::move(certificate->der);
      key.algorithm = static_cast<uint8_t>(flags & 0xF);
      key.deviceUsage = ((flags >> 4) & 0xF) + 1;
      return true;
    }
  }
  return false;
}

// Leaves the session open on the key; 0, 3001 (keys not listed), 2005 or 2008.
uint32_t OpenSigningKey(const SignatureRequest& request, DeviceSession& session, SigningKey& key) {
  const ReaderList readers = ListReaderNames();
  if (readers.listing != ReaderListing::kListed || readers.reportedLength < 2) {
    return code::kEnumerationFailed;
  }
  if (readers.names.empty()) {
    return code::kEmptyReaderName;
  }
  if (request.dnLength > static_cast<uint32_t>(INT32_MAX)) {
    return code::kCertificateNotFound;
  }
  for (const std::string& name : readers.names) {
    if (session.Open(name) != 0) {
      continue;
    }
    if (FindOnKey(session, request, key)) {
      return 0;
    }
    session.Close();
  }
  return code::kCertificateNotFound;
}

// The export's work; a 3001 or 3003 also sets `reason`, which tells its two meanings apart.
uint32_t SignBySubject(const SignatureRequest& request, uint8_t* signature,
                       int32_t* signatureLength, uint8_t* certificate, uint32_t* certificateLength,
                       uint32_t& reason) {
  if (request.data == nullptr || request.subjectDn == nullptr || signatureLength == nullptr ||
      certificateLength == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  SigningKey key;
  if (const uint32_t status = OpenSigningKey(request, session, key); status != 0) {
    reason = code::kReasonKeysNotListed;
    return status;
  }
  const uint32_t reserved = ReservedSignatureSize(key.algorithm);
  if (reserved == 0) {
    return code::kUnsupportedKey;
  }
  // First size check, against the reserved size: it spares the user a confirmation on the key.
  if (signature == nullptr || certificate == nullptr) {
    StoreLength(signatureLength, reserved);
    StoreLength(certificateLength, key.certificate.size());
    return tool::kOk;
  }
  if (CallerLength(signatureLength) < reserved ||
      CallerLength(certificateLength) < key.certificate.size()) {
    StoreLength(signatureLength, reserved);
    StoreLength(certificateLength, key.certificate.size());
    return code::kBufferTooSmall;
  }
  std::string hashName;
  if (const uint32_t status =
          ChooseHashName(request.hashName, request.hashNameLength, key.algorithm, hashName);
      status != 0) {
    return status;
  }
  const bool transaction = CheckTransactionMessage({request.data, request.dataLength}) == 0;
  SigningPath path;
  if (const uint32_t status = ChooseSigningPath(key.deviceUsage, key.algorithm, transaction, path);
      status != 0) {
    return status;
  }
  const LoginMode mode = path.loginMode == 1 ? LoginMode::kIfNotLoggedIn : LoginMode::kAlways;
  if (const uint32_t status = LoginForTool(session, session.readerName(), mode, &reason);
      status != 0) {
    return status;
  }
  // Only the key pair the public key object describes signs: a slot another pair took since is
  // not the certificate's key. (A size query signs nothing, so it spares this read.)
  store::DevicePublicKey slotKey;
  if (store::ReadSlotPublicKey(session, key.keyNumber, slotKey) != 0) {
    reason = code::kReasonKeyFailed;
    return code::kDeviceFailed;
  }
  if (!store::IsKeyOfObject(slotKey, key.publicKeyObject)) {
    return code::kCertificateNotFound;
  }
  std::array<uint8_t, kSignatureCapacity> produced{};
  uint32_t producedLength = static_cast<uint32_t>(produced.size());
  const NamedHashSignature signing{
      key.keyNumber, hashName.c_str(),   static_cast<int32_t>(hashName.size()),
      request.data,  request.dataLength, path.hashOnDevice,
      &slotKey};
  if (const uint32_t status = SignWithNamedHash(session, signing, produced.data(), &producedLength);
      status != 0) {
    reason = code::kReasonKeyFailed;
    return status;
  }
  producedLength = std::min(producedLength, static_cast<uint32_t>(produced.size()));
  // Second size check, against the real lengths.
  const bool fits = CallerLength(signatureLength) >= producedLength &&
                    CallerLength(certificateLength) >= key.certificate.size();
  StoreLength(signatureLength, producedLength);
  StoreLength(certificateLength, key.certificate.size());
  if (!fits) {
    return code::kBufferTooSmall;
  }
  std::copy_n(produced.begin(), producedLength, signature);
  std::copy(key.certificate.begin(), key.certificate.end(), certificate);
  return tool::kOk;
}

}  // namespace

uint32_t GetSignature(const SignatureRequest& request, uint8_t* signature, int32_t* signatureLength,
                      uint8_t* certificate, uint32_t* certificateLength) {
  uint32_t reason = 0;
  const uint32_t status =
      SignBySubject(request, signature, signatureLength, certificate, certificateLength, reason);
  // Set once the key is closed, so nothing the closing does can overwrite it.
  if (status == code::kEnumerationFailed || status == code::kDeviceFailed) {
    platform::SetLastErrorCode(reason);
  }
  return status;
}

}  // namespace kq::tools
