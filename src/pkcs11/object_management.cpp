// Managing the key through PKCS #11: key pairs generated in new containers, certificates
// installed beside the key pair whose public key they carry, and objects destroyed, each by the
// store's own walks under the key's lock (the device session holds it from open to close).
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "common/codes_store.h"
#include "pkcs11/call_frame.h"
#include "pkcs11/caller_template.h"
#include "pkcs11/module_calls.h"
#include "pkcs11/object_lookup.h"
#include "pki/certificate_reader.h"
#include "store/certificate_directory.h"
#include "store/certificate_writing.h"
#include "store/containers.h"
#include "store/device_keys.h"
#include "store/key_pair_deletion.h"
#include "store/key_pair_generation.h"

namespace kq::pkcs11 {

namespace {

constexpr CK_ULONG kSm2Bits = 256;
constexpr CK_ULONG kDefaultRsaBits = 2048;
constexpr uint8_t kUncompressedPoint = 0x04;

// Whether the key can make the pair the templates ask for: it keeps its keys, never lets a
// private key out, and uses the public exponent 65537; the label and id are its own.
bool KeyCanHonour(const CK_ATTRIBUTE* publicTemplate, CK_ULONG publicCount,
                  const CK_ATTRIBUTE* privateTemplate, CK_ULONG privateCount) {
  if (const auto exponent = TemplateValue(publicTemplate, publicCount, CKA_PUBLIC_EXPONENT)) {
    const auto digits = std::ranges::find_if(*exponent, [](uint8_t byte) { return byte != 0; });
    if (!std::ranges::equal(std::span(digits, exponent->end()), std::array<uint8_t, 3>{1, 0, 1})) {
      return false;
    }
  }
  return TemplateBool(publicTemplate, publicCount, CKA_TOKEN).value_or(true) &&
         TemplateBool(privateTemplate, privateCount, CKA_TOKEN).value_or(true) &&
         !TemplateBool(privateTemplate, privateCount, CKA_EXTRACTABLE).value_or(false) &&
         TemplateBool(privateTemplate, privateCount, CKA_SENSITIVE).value_or(true);
}

// What changes the key needs: a read-write session and the user's login.
CK_RV CheckWritable(const Session& session, const Slot& slot) {
  if ((session.flags & CKF_RW_SESSION) == 0) {
    return CKR_SESSION_READ_ONLY;
  }
  return slot.loggedIn ? CKR_OK : CKR_USER_NOT_LOGGED_IN;
}

// The generation option of the new pair: the first device usage that no key pair on the key
// holds, 2 last (the tool exports let such a key sign only transaction messages).
std::optional<uint32_t> FreeUsageOption(const DeviceSession& device) {
  std::vector<store::KeyListEntry> keys;
  if (store::ListDeviceKeys(device, keys) != 0) {
    return std::nullopt;
  }
  for (const uint32_t usage : {1u, 3u, 2u}) {
    if (std::none_of(keys.begin(), keys.end(), [usage](const store::KeyListEntry& key) {
          return key.deviceUsage == usage;
        })) {
      return usage - 1;
    }
  }
  return std::nullopt;
}

CK_RV StoreCode(uint32_t status) {
  switch (status) {
    case 0:
      return CKR_OK;
    case 0x8010006E:
      return CKR_FUNCTION_CANCELED;
    case 0x8010000A:
      return CKR_KQ_CONFIRMATION_TIMEOUT;
    case store::kNoFreeSlot:
      return CKR_DEVICE_MEMORY;
    default:
      return CKR_DEVICE_ERROR;
  }
}

// The public key object whose key the certificate carries: an RSA modulus, or an SM2 point.
const TokenObject* KeyOfCertificate(const std::vector<TokenObject>& objects,
                                    std::span<const uint8_t> certificateKey) {
  for (const TokenObject& object : objects) {
    if (object.objectClass != CKO_PUBLIC_KEY) {
      continue;
    }
    std::span<const uint8_t> wanted = certificateKey;
    if (object.algorithm == KeyAlgorithm::kSm2) {
      if (wanted.empty() || wanted[0] != kUncompressedPoint) {
        continue;
      }
      wanted = wanted.subspan(1);
    }
    if (std::ranges::equal(wanted, object.publicKey)) {
      return &object;
    }
  }
  return nullptr;
}

const store::KeyPairRefs& PairOfReference(size_t reference) {
  return reference < store::kExchangeCertificate ? store::kSignaturePair : store::kExchangePair;
}

CK_RV ReadObjectsAgain(Slot& slot, CK_SLOT_ID slotId) {
  slot.objects.reset();
  CK_RV rv = CKR_OK;
  FindVisibleObject(slot, slotId, CK_INVALID_HANDLE, rv);
  return rv == CKR_OBJECT_HANDLE_INVALID ? CKR_OK : rv;
}

}  // namespace

CK_RV GenerateKeyPair(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                      CK_ATTRIBUTE_PTR publicTemplate, CK_ULONG publicCount,
                      CK_ATTRIBUTE_PTR privateTemplate, CK_ULONG privateCount,
                      CK_OBJECT_HANDLE_PTR publicKey, CK_OBJECT_HANDLE_PTR privateKey) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (mechanism == nullptr || publicKey == nullptr || privateKey == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (const CK_RV rv = CheckTemplate(publicTemplate, publicCount); rv != CKR_OK) {
      return rv;
    }
    if (const CK_RV rv = CheckTemplate(privateTemplate, privateCount); rv != CKR_OK) {
      return rv;
    }
    CK_ULONG bits = kSm2Bits;
    if (mechanism->mechanism == CKM_RSA_PKCS_KEY_PAIR_GEN) {
      bits =
          TemplateNumber(publicTemplate, publicCount, CKA_MODULUS_BITS).value_or(kDefaultRsaBits);
      if (bits != 1024 && bits != 2048) {
        return CKR_KEY_SIZE_RANGE;
      }
    } else if (mechanism->mechanism != CKM_KQ_SM2_KEY_PAIR_GEN) {
      return CKR_MECHANISM_INVALID;
    }
    if (!KeyCanHonour(publicTemplate, publicCount, privateTemplate, privateCount)) {
      return CKR_TEMPLATE_INCONSISTENT;
    }
    if (const CK_RV rv = CheckWritable(session, slot); rv != CKR_OK) {
      return rv;
    }
    DeviceSession device;
    if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
      return opened;
    }
    const std::optional<uint32_t> option = FreeUsageOption(device);
    if (!option) {
      return CKR_DEVICE_MEMORY;  // a key holds one key pair per device usage
    }
    store::GeneratedKeyPair generated;
    const uint32_t status = store::GenerateKeyPairInNewContainer(
        device, static_cast<uint32_t>(bits), *option, generated);
    device.Close();
    if (status != 0) {
      return StoreCode(status);
    }
    *publicKey = ObjectHandle(session.slot, generated.publicFile);
    *privateKey = ObjectHandle(session.slot, generated.privateFile);
    return ReadObjectsAgain(slot, session.slot);
  });
}

CK_RV CreateObject(CK_SESSION_HANDLE handle, CK_ATTRIBUTE_PTR entries, CK_ULONG count,
                   CK_OBJECT_HANDLE_PTR object) {
  return RunOnSession(handle, [&](Module&, Session& session, Slot& slot) -> CK_RV {
    if (object == nullptr) {
      return CKR_ARGUMENTS_BAD;
    }
    if (const CK_RV rv = CheckTemplate(entries, count); rv != CKR_OK) {
      return rv;
    }
    const auto objectClass = TemplateNumber(entries, count, CKA_CLASS);
    const auto type = TemplateNumber(entries, count, CKA_CERTIFICATE_TYPE);
    const auto value = TemplateValue(entries, count, CKA_VALUE);
    if (!objectClass || !value) {
      return CKR_TEMPLATE_INCOMPLETE;
    }
    if (*objectClass != CKO_CERTIFICATE || type.value_or(CKC_X_509) != CKC_X_509) {
      return CKR_TEMPLATE_INCONSISTENT;  // the key stores certificates, nothing else
    }
    // Everything written goes onto the key for good, where it replaces the pair's certificate, and
    // every certificate there is public: a session object or a private one cannot be made.
    if (!TemplateBool(entries, count, CKA_TOKEN).value_or(true) ||
        TemplateBool(entries, count, CKA_PRIVATE).value_or(false)) {
      return CKR_TEMPLATE_INCONSISTENT;
    }
    if (const CK_RV rv = CheckWritable(session, slot); rv != CKR_OK) {
      return rv;
    }
    ByteVector certificateKey;
    if (!CertPublicKeyBytes(value->data(), value->size(), certificateKey)) {
      return CKR_ATTRIBUTE_VALUE_INVALID;
    }
    if (const CK_RV rv = ReadObjectsAgain(slot, session.slot); rv != CKR_OK) {
      return rv;
    }
    const TokenObject* key = KeyOfCertificate(*slot.objects, certificateKey);
    if (key == nullptr) {
      return CKR_ATTRIBUTE_VALUE_INVALID;  // no key pair on the key for this certificate
    }
    const std::string containerName = key->containerName;
    const store::KeyPairRefs& pair = PairOfReference(key->reference);
    const uint32_t keySpec =
        &pair == &store::kSignaturePair ? store::kAtSignature : store::kAtKeyExchange;
    DeviceSession device;
    if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
      return opened;
    }
    const uint32_t status = store::WriteCertificate(device, containerName, keySpec, *value);
    device.Close();
    if (status != 0) {
      return status == store::kDeviceFailed ? CKR_ATTRIBUTE_VALUE_INVALID : StoreCode(status);
    }
    if (const CK_RV rv = ReadObjectsAgain(slot, session.slot); rv != CKR_OK) {
      return rv;
    }
    for (const TokenObject& found : *slot.objects) {
      if (found.objectClass == CKO_CERTIFICATE && found.containerName == containerName &&
          found.reference == pair.certificate) {
        *object = found.handle;
        return CKR_OK;
      }
    }
    return CKR_DEVICE_ERROR;
  });
}

CK_RV DestroyObject(CK_SESSION_HANDLE handle, CK_OBJECT_HANDLE objectHandle) {
  return RunOnSession(handle, [&](Module& module, Session& session, Slot& slot) -> CK_RV {
    if (const CK_RV rv = CheckWritable(session, slot); rv != CKR_OK) {
      return rv;
    }
    CK_RV rv = CKR_OK;
    const TokenObject* listed = FindVisibleObject(slot, session.slot, objectHandle, rv);
    if (listed == nullptr) {
      return rv;
    }
    if (listed->objectClass == CKO_PUBLIC_KEY) {
      return CKR_ACTION_PROHIBITED;  // it goes only with its private key
    }
    const TokenObject was = *listed;
    DeviceSession device;
    if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
      return opened;
    }
    // Under one hold of the key's lock: the objects as they are now, the handle still naming the
    // object the application was shown (not a pair enrolled since in the same files), and the
    // deletion.
    std::vector<TokenObject> objects;
    if (ReadTokenObjects(device, session.slot, objects) != 0) {
      return CKR_DEVICE_ERROR;
    }
    const auto target = std::ranges::find(objects, objectHandle, &TokenObject::handle);
    if (target == objects.end() || target->containerName != was.containerName ||
        target->publicKey != was.publicKey) {
      return CKR_OBJECT_HANDLE_INVALID;
    }
    const store::KeyPairRefs& pair = PairOfReference(target->reference);
    const bool certified = std::ranges::any_of(objects, [&](const TokenObject& other) {
      return other.objectClass == CKO_CERTIFICATE && other.containerName == was.containerName &&
             other.reference == pair.certificate;
    });
    if (target->objectClass == CKO_PRIVATE_KEY && certified) {
      return CKR_ACTION_PROHIBITED;  // its certificate is deleted first
    }
    store::ContainerInfo container;
    if (store::FindContainer(device, target->containerName, container) != 0) {
      return CKR_DEVICE_ERROR;
    }
    uint32_t status = 0;
    if (target->objectClass == CKO_CERTIFICATE) {
      // Only the certificate goes; its key pair stays usable.
      bool shared = false;
      status = store::ReleaseContainerReference(device, container, pair.certificate,
                                                store::IndexKind::kObjects, shared);
      if (status == 0 && !shared) {
        store::RemoveCertificateDirectoryEntry(device, target->keyNumber);
      }
    } else {
      // A private key goes with its pair: the device key cannot be kept without its objects.
      status = store::DeleteContainerKeyPair(device, container, pair, target->keyNumber);
    }
    device.Close();
    // Operations with the deleted key end here.
    for (auto& [id, other] : module.sessions) {
      if (status == 0 && other.slot == session.slot &&
          other.sign.keyObject.handle == objectHandle) {
        other.sign = {};
      }
    }
    const CK_RV code = StoreCode(status);
    const CK_RV reread = ReadObjectsAgain(slot, session.slot);
    return code != CKR_OK ? code : reread;
  });
}

}  // namespace kq::pkcs11
