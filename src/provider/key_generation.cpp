// CPGenKey: a new RSA pair on the key in the context's container, after the user's consent to
// overwrite a pair when all five key slots are taken.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "common/codes_device.h"
#include "provider/device_access.h"
#include "provider/key_algorithms.h"
#include "provider/key_operations.h"
#include "provider/provider_last_error.h"
#include "store/certificate_directory.h"
#include "store/containers.h"
#include "store/deletion_confirmation.h"
#include "store/device_keys.h"
#include "store/key_listing.h"
#include "store/key_objects.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "ui/confirmation_wait.h"
#include "ui/key_chooser.h"
#include "ui/notifications.h"

namespace kq::provider {

namespace {

constexpr uint32_t kCryptCreateSalt = 0x4;
constexpr uint32_t kCryptNoSalt = 0x10;
constexpr const char* kGenerationTag = "7305";

// Symmetric algorithms the provider acknowledges with an empty handle (it never makes them).
uint32_t AcknowledgeSymmetric(ProviderContext& context, uint32_t algId, uint32_t flags,
                              KqHandle* phKey) {
  const uint32_t size = flags >> 16;
  if ((flags & kCryptCreateSalt) != 0 && (flags & kCryptNoSalt) != 0) {
    return win::kNteBadFlags;
  }
  if ((algId == kCalgDes && size != 0 && size != 56) ||
      (algId == kCalg3Des && size != 0 && size != 168)) {
    return win::kNteBadLen;
  }
  if (algId != kCalgDes && algId != kCalg3Des) {
    return win::kNteBadAlgId;
  }
  *phKey = context.AddKey(nullptr);
  return 0;
}

// A device operation that may wait for the key's button (generation, deletion).
uint32_t WithButton(const DeviceSession& session, uint32_t status, uint32_t waitKind) {
  if (status == 0) {
    return 0;
  }
  if (!dev::IsButtonWait(status)) {
    return win::kNteFail;
  }
  return store::ConfirmOnKey(session, waitKind);
}

// Frees a key pair the user chose to overwrite: the pair on the key, its container's objects and
// references, and its certificate directory entry. The freed key number, or a code.
uint32_t FreeChosenPair(const DeviceSession& session, const store::KeyListEntry& chosen,
                        uint8_t& keyNumber) {
  keyNumber = chosen.keyNumber;
  if (!chosen.containerName.empty()) {
    store::ContainerInfo owner;
    if (store::FindContainer(session, chosen.containerName, owner) != 0) {
      return win::kNteFail;
    }
    const uint32_t keySpec = chosen.usage == store::kUsageSignature ? kAtSignature : kAtKeyExchange;
    const store::KeyPairRefs& pair = store::PairOfKeySpec(keySpec);
    if (store::ReadKeyNumberOfObject(session, owner.refs[pair.publicKey], true, keyNumber) != 0) {
      return win::kNteFail;
    }
    if (store::IsKeyNumber(keyNumber)) {
      if (const uint32_t code = store::DeleteDeviceKeyPair(session, keyNumber); code != 0) {
        return code;
      }
    }
    for (const store::ContainerRef ref : {pair.certificate, pair.publicKey, pair.privateKey}) {
      const uint16_t fileId = owner.refs[ref];
      if (!store::IsReferenceSet(fileId)) {
        continue;
      }
      if (store::ClearContainerRef(session, owner.fileId, ref) != 0) {
        return win::kNteFail;
      }
      store::DeleteObject(
          session, fileId,
          ref == pair.privateKey ? store::IndexKind::kPrivateObjects : store::IndexKind::kObjects);
    }
  } else if (const uint32_t code = store::DeleteDeviceKeyPair(session, keyNumber); code != 0) {
    return code;
  }
  store::RemoveCertificateDirectoryEntry(session, keyNumber);
  return 0;
}

// The lowest free key number, or, with all five taken, one the user frees. The session is closed
// while the chooser is up and reopened afterwards.
uint32_t TakeKeyNumber(ProviderContext& context, DeviceSession& session, uint8_t& keyNumber) {
  std::vector<store::KeyListEntry> keys;
  if (store::ListDeviceKeys(session, keys) != 0) {
    return win::kNteFail;
  }
  for (uint8_t n = store::kFirstKeyNumber; n <= store::kLastKeyNumber; ++n) {
    if (std::none_of(keys.begin(), keys.end(),
                     [n](const store::KeyListEntry& k) { return k.keyNumber == n; })) {
      keyNumber = n;
      return 0;
    }
  }
  if (store::ListKeysWithCertificates(session, keys) != 0) {
    return win::kNteFail;
  }
  session.Close();
  std::vector<ui::KeyChoice> rows;
  for (const store::KeyListEntry& k : keys) {
    rows.push_back({k.subject, k.containerName, k.usage, k.keyBits});
  }
  const std::optional<size_t> chosen = ui::ChooseKeyToOverwrite(rows);
  if (!chosen || *chosen >= keys.size()) {
    return win::kScardCancelledByUser;
  }
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
  }
  return FreeChosenPair(session, keys[*chosen], keyNumber);
}

std::optional<PublicKeyRecord> ReadNewPublicKey(const DeviceSession& session, uint8_t keyNumber) {
  PublicKeyRecord record;
  auto modulusLength = static_cast<uint32_t>(record.modulus.size());
  auto exponentLength = static_cast<uint32_t>(record.exponent.size());
  if (session.ReadRSAPub(keyNumber, &record.bits, record.modulus.data(), &modulusLength,
                         record.exponent.data(), &exponentLength, 0) != 0) {
    return std::nullopt;
  }
  return record;
}

uint32_t GeneratePair(ProviderContext& context, uint32_t keySpec, uint32_t bits, KqHandle* phKey) {
  DeviceSession session;
  store::ContainerInfo container;
  if (const uint32_t code = OpenContainer(context, session, container, win::kNteFail); code != 0) {
    return code;
  }
  const LoginMode mode = context.containerCreated ? LoginMode::kIfNotLoggedIn : LoginMode::kAlways;
  if (const uint32_t code = LoginForContext(context, session, mode); code != 0) {
    return mode == LoginMode::kAlways ? win::kScardCardNotAuthenticated : code;
  }
  const store::KeyPairRefs& pair = store::PairOfKeySpec(keySpec);
  if (store::IsReferenceSet(container.refs[pair.publicKey]) ||
      store::IsReferenceSet(container.refs[pair.privateKey])) {
    return win::kNteFail;
  }
  uint8_t keyNumber = 0;
  if (const uint32_t code = TakeKeyNumber(context, session, keyNumber); code != 0) {
    return code;
  }
  // The chooser may have freed a pair of this very container: its record is read again (from
  // the handle's memory when no chooser closed it).
  if (store::FindContainer(session, context.containerName, container) != 0) {
    return win::kNteFail;
  }
  if (!LoggedInOnThisHandle(session)) {
    if (const uint32_t code = LoginForContext(context, session, LoginMode::kIfNotLoggedIn);
        code != 0) {
      return code;
    }
  }

  ui::NotifyKeyPairGeneration(ui::StepPhase::kBefore);
  const uint32_t generated = WithButton(
      session, session.GenerateRSAKey(keyNumber, kGenerationTag, bits, 0), ui::kWaitKeyGeneration);
  ui::NotifyKeyPairGeneration(generated == 0 ? ui::StepPhase::kSucceeded : ui::StepPhase::kFailed);
  if (generated != 0) {
    return generated;
  }
  const std::optional<PublicKeyRecord> record = ReadNewPublicKey(session, keyNumber);
  if (!record) {
    return win::kNteFail;
  }
  store::RsaKeyObjectFields fields;
  fields.containerName = context.containerName;
  fields.keyNumber = keyNumber;
  fields.modulus = record->ModulusBytes();
  fields.exponent = record->exponent;
  uint16_t publicFile = 0;
  uint16_t privateFile = 0;
  if (store::WriteKeyObjects(session, fields, publicFile, privateFile) != 0) {
    return win::kNteFail;
  }
  store::ContainerRefs refs = container.refs;
  refs[pair.publicKey] = publicFile;
  refs[pair.privateKey] = privateFile;
  if (store::SetContainerRefs(session, container.fileId, refs,
                              store::RefMask(pair.publicKey) | store::RefMask(pair.privateKey)) !=
      0) {
    return win::kNteFail;
  }
  auto key = std::make_unique<KeyObject>();
  key->kind = kKeyKindRsa;
  key->algId = keySpec == kAtSignature ? kCalgRsaSign : kCalgRsaKeyx;
  key->keyFileId = publicFile;
  key->keyBits = bits;
  key->blockBits = bits;
  key->publicKey = *record;
  *phKey = context.AddKey(std::move(key));
  return 0;
}

}  // namespace

KqBool GenKeyOn(ProviderContext& context, uint32_t algId, uint32_t flags, KqHandle* phKey) {
  if (phKey == nullptr) {
    return Fail(win::kNteInvalidParameter);
  }
  uint32_t keySpec = 0;
  if (algId == kAtSignature || algId == kCalgRsaSign) {
    keySpec = kAtSignature;
  } else if (algId == kAtKeyExchange || algId == kCalgRsaKeyx) {
    keySpec = kAtKeyExchange;
  } else {
    const uint32_t code = AcknowledgeSymmetric(context, algId, flags, phKey);
    return code == 0 ? Succeed() : Fail(code);
  }
  const uint32_t size = flags >> 16;
  if (size > 2048) {
    return Fail(win::kNteFail);
  }
  const uint32_t code = GeneratePair(context, keySpec, size == 2048 ? 2048 : 1024, phKey);
  return code == 0 ? Succeed() : Fail(code);
}

}  // namespace kq::provider
