// KQ_GetAllCertDN: the subjects of every certificate on the keys with a media id.
#include <string>

#include "common/codes_tools.h"
#include "tools/certificate_exports.h"
#include "tools/key_certificates.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/reader_walk.h"

namespace kq::tools {

namespace {

// Appends the subjects of one key's certificates, exchange key first in each container. The
// text grows as needed: many certificates or long subjects give the whole list.
bool AppendSubjects(const DeviceSession& session, std::string& text) {
  const auto slots = ReadObjectIndexSlots(session);
  if (!slots) {
    return false;
  }
  for (const store::ContainerInfo& container : ReadableContainers(session, *slots)) {
    for (const store::KeyPairRefs& pair : kPairsInListingOrder) {
      const auto certificate = ReadKeyCertificate(session, container.refs[pair.certificate]);
      if (!certificate) {
        continue;
      }
      if (!text.empty()) {
        text += "||";
      }
      text += certificate->subject;
    }
  }
  return true;
}

}  // namespace

uint32_t GetAllCertDn(const char* mediaId, char* buffer, int32_t* length) {
  if (!IsMediaId(mediaId) || length == nullptr) {
    return tool::kInvalidArgument;
  }
  const ReaderList readers = ListReaderNames();
  if (readers.listing == ReaderListing::kFailed) {
    return tool::kEnumerationFailed;
  }
  std::string text;
  for (const std::string& name : readers.names) {
    DeviceSession session;
    DeviceSerial identity{};
    if (OpenAndReadSerial(name, SerialKind::kIdentity, session, identity) != 0) {
      return tool::kDeviceAccessFailed;
    }
    if (!SerialMatches(identity, mediaId)) {
      continue;
    }
    if (!AppendSubjects(session, text)) {
      return tool::kDeviceAccessFailed;
    }
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return DeliverBytes({bytes, text.size()}, buffer, length, tool::kBufferTooSmall);
}

}  // namespace kq::tools
