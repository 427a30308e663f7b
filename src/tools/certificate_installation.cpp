// KQ_WritePKCS7: issued certificates installed beside the key pairs whose public keys they carry.
#include <algorithm>
#include <string>
#include <vector>

#include "common/codes_store.h"
#include "common/codes_tools.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/certificate_writing.h"
#include "store/container_record.h"
#include "store/index_slot.h"
#include "store/object_file.h"
#include "store/public_key_object.h"
#include "tools/certificate_exports.h"
#include "tools/certificate_list.h"
#include "tools/media_id.h"
#include "tools/reader_walk.h"
#include "tools/tool_login.h"
#include "ui/notifications.h"

namespace kq::tools {

namespace {

namespace code = tool::pkcs7;

constexpr size_t kMostCertificates = 5;
constexpr size_t kSm2PointSize = 65;  // 04 || X || Y
constexpr size_t kSm2CoordinateSize = 32;

// The container of a slot, or the installation's status for a container object that is not.
uint32_t ReadContainerOfSlot(const DeviceSession& session, const store::IndexSlot& slot,
                             store::ContainerInfo& container) {
  store::AttributeTemplate object;
  switch (store::ReadObject(session, slot.fileId, slot.length, object)) {
    case 0:
      break;
    case store::kObjectUnparsable:
      return code::kParseContainerFailed;
    default:
      return code::kReadContainerFailed;
  }
  switch (store::ReadContainerObject(object, container)) {
    case store::ContainerShape::kContainer:
      container.fileId = slot.fileId;
      return 0;
    case store::ContainerShape::kNoClass:
      return code::kContainerClassMissing;
    case store::ContainerShape::kOtherClass:
      return code::kContainerClassWrong;
    case store::ContainerShape::kNoName:
      return code::kContainerNameMissing;
    case store::ContainerShape::kBadReferences:
      break;
  }
  return code::kContainerRefsBad;
}

// Whether the certificate carries the key: the SM2 point's coordinates, or the RSA modulus.
bool CarriesKey(const DecodedCertificate& certificate, const store::DevicePublicKey& key) {
  const ByteVector& value = certificate.publicKey;
  if (key.bits == 256) {
    return value.size() == kSm2PointSize && key.first.size() == kSm2CoordinateSize &&
           key.second.size() == kSm2CoordinateSize &&
           std::equal(key.first.begin(), key.first.end(), value.begin() + 1) &&
           std::equal(key.second.begin(), key.second.end(), value.begin() + 1 + kSm2CoordinateSize);
  }
  return value == key.first;
}

struct PairToFill {
  const store::KeyPairRefs& refs;
  uint32_t keySpec;       // where the certificate is recorded: the pair's own reference
  uint32_t objectFailed;  // the certificate could not be stored
  uint32_t recordFailed;  // the container's file id could not take the reference
};

// The signature key's certificate goes to reference 0, the exchange key's to reference 3: each
// certificate is recorded for the key pair it belongs to.
const PairToFill kPairsToFill[] = {
    {store::kSignaturePair, store::kAtSignature, code::kStoreSignatureFailed,
     code::kStoreSignatureRefsFailed},
    {store::kExchangePair, store::kAtKeyExchange, code::kStoreExchangeFailed,
     code::kStoreExchangeRefsFailed},
};

// Installs the first remaining certificate that carries each of the container's keys.
uint32_t FillContainer(const DeviceSession& session, const store::ContainerInfo& container,
                       std::vector<DecodedCertificate>& remaining) {
  for (const PairToFill& pair : kPairsToFill) {
    if (remaining.empty()) {
      return 0;
    }
    const uint16_t publicKeyId = container.refs[pair.refs.publicKey];
    uint8_t keyNumber = 0;
    store::DevicePublicKey key;
    if (!store::IsReferenceSet(publicKeyId) ||
        store::ReadPublicKeyObject(session, publicKeyId, keyNumber, key) != 0) {
      continue;
    }
    const auto match = std::ranges::find_if(
        remaining, [&](const DecodedCertificate& c) { return CarriesKey(c, key); });
    if (match == remaining.end()) {
      continue;
    }
    const uint32_t status = store::StoreCertificate(session, keyNumber, match->der, container.name,
                                                    container.fileId, pair.keySpec);
    if (status != 0) {
      // Only the container's reference names a container file id; everything else is the object.
      return status == store::kBadFileId ? pair.recordFailed : pair.objectFailed;
    }
    remaining.erase(match);
  }
  return 0;
}

}  // namespace

uint32_t WritePkcs7(const char* mediaId, const char* certificateList, int32_t listLength) {
  if (mediaId == nullptr || certificateList == nullptr || listLength < 1) {
    return code::kBadArgument;
  }
  std::vector<DecodedCertificate> remaining;
  if (const uint32_t status = DecodeCertificateList(
          std::string_view(certificateList, static_cast<size_t>(listLength)), remaining);
      status != 0) {
    return status;
  }
  if (remaining.empty()) {
    return code::kNoCertificate;
  }
  if (remaining.size() > kMostCertificates) {
    return code::kTooManyCertificates;
  }
  DeviceSession session;
  if (const uint32_t status = OpenKeyBySerial(CallerText(mediaId), session, code::kReaderNotFound);
      status != 0) {
    return status;
  }
  const std::string& readerName = session.readerName();
  const auto readerIndex = ReaderIndex(readerName);
  if (!readerIndex) {
    return code::kBadReaderName;
  }
  if (LoginForTool(session, readerName, LoginMode::kIfNotLoggedIn) != 0) {
    return code::kLoginFailed;
  }
  std::vector<uint8_t> index;
  if (store::ReadIndex(session, store::IndexKind::kObjects, index) != 0) {
    return code::kReadObjectIndexFailed;
  }
  const uint32_t message = ui::RegisterMessage(ui::kImportCertificateMessage);
  ui::NotifyMarkedWindow(message, static_cast<uintptr_t>(ui::StepPhase::kBefore),
                         static_cast<intptr_t>(*readerIndex));
  for (const store::IndexSlot& slot : store::ParseIndexSlots(index)) {
    if (slot.objectClass != store::kClassContainer || !slot.namesObject()) {
      continue;
    }
    store::ContainerInfo container;
    if (const uint32_t status = ReadContainerOfSlot(session, slot, container); status != 0) {
      return status;
    }
    if (const uint32_t status = FillContainer(session, container, remaining); status != 0) {
      return status;
    }
    if (remaining.empty()) {
      ui::NotifyMarkedWindow(message, static_cast<uintptr_t>(ui::StepPhase::kSucceeded),
                             static_cast<intptr_t>(*readerIndex));
      return tool::kOk;
    }
  }
  return code::kCertificatesLeftOver;
}

}  // namespace kq::tools
