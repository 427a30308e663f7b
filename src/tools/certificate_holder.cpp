// KQ_GetDeviceSN and KQ_GetCSPName: the attached key that holds a certificate with a subject.
#include <cstring>
#include <string>
#include <vector>

#include "common/codes_tools.h"
#include "pki/dn_text.h"
#include "store/index_slot.h"
#include "store/object_file.h"
#include "tools/device_exports.h"
#include "tools/key_certificates.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/provider_name.h"
#include "tools/reader_walk.h"

namespace kq::tools {

namespace {

bool SameSubject(std::string_view callerDn, const std::string& subject) {
  return DnEqual(callerDn.data(), static_cast<int32_t>(callerDn.size()), subject.data(),
                 static_cast<int32_t>(subject.size())) == 0;
}

bool HoldsCertificate(const DeviceSession& session, std::string_view callerDn) {
  std::vector<uint8_t> index;
  if (store::ReadIndex(session, store::IndexKind::kObjects, index) != 0) {
    return false;
  }
  for (const store::IndexSlot& slot : store::ListCertificateSlots(index)) {
    if (!slot.namesObject()) {
      continue;
    }
    const auto certificate = ReadKeyCertificate(session, slot.fileId);
    if (certificate && SameSubject(callerDn, certificate->subject)) {
      return true;
    }
  }
  return false;
}

// Leaves the session open on the first key that holds a certificate with the subject; 0,
// 101 (no key, or they could not be listed) or 1104 (none holds it).
uint32_t OpenHolderOf(std::string_view callerDn, DeviceSession& session) {
  const ReaderList readers = ListReaderNames();
  if (readers.listing != ReaderListing::kListed) {
    return tool::kNoDevice;
  }
  // A DN longer than a DN comparison can take names no certificate.
  if (callerDn.size() > static_cast<size_t>(INT32_MAX)) {
    return tool::kCertificateNotFound;
  }
  for (const std::string& name : readers.names) {
    if (session.Open(name) != 0) {
      continue;
    }
    if (HoldsCertificate(session, callerDn)) {
      return tool::kOk;
    }
    session.Close();
  }
  return tool::kCertificateNotFound;
}

}  // namespace

uint32_t GetDeviceSn(const char* subjectDn, char* buffer, uint32_t* length) {
  if (subjectDn == nullptr || length == nullptr) {
    return tool::kCertificateNotFound;
  }
  DeviceSession session;
  if (const uint32_t status = OpenHolderOf(subjectDn, session); status != 0) {
    return status;
  }
  if (buffer == nullptr) {
    *length = kMediaIdLength;
    return tool::kOk;
  }
  if (*length < kMediaIdLength) {
    *length = kMediaIdLength;
    return tool::kBufferTooSmall;
  }
  const uint32_t status = session.GetDevSer(reinterpret_cast<uint8_t*>(buffer), length,
                                            static_cast<uint32_t>(SerialKind::kIdentity));
  return status == 0 ? tool::kOk : tool::kSerialReadFailed;
}

uint32_t GetCspName(const char* subjectDn, char* buffer, uint32_t* length) {
  if (subjectDn == nullptr || length == nullptr) {
    return tool::kCertificateNotFound;
  }
  DeviceSession session;
  if (const uint32_t status = OpenHolderOf(subjectDn, session); status != 0) {
    return status;
  }
  const auto* name = reinterpret_cast<const uint8_t*>(kProviderName.data());
  return DeliverBytes({name, kProviderName.size()}, buffer, length, tool::kBufferTooSmall);
}

}  // namespace kq::tools
