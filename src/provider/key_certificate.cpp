#include "provider/key_certificate.h"

#include <span>
#include <string_view>

#include "common/codes_cryptoapi.h"
#include "device/device_session.h"
#include "pki/der_reader.h"
#include "platform/certificate.h"
#include "provider/device_access.h"
#include "provider/key_algorithms.h"
#include "provider/provider_last_error.h"
#include "store/certificate_reading.h"
#include "store/certificate_writing.h"
#include "store/object_file.h"
#include "ui/notifications.h"

namespace kq::provider {

namespace {

uint32_t KeySpecOf(const KeyObject& key) {
  return key.algId == kCalgRsaSign ? kAtSignature : kAtKeyExchange;
}

void UpperCaseAscii(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
}

}  // namespace

uint32_t ReadKeyCertificate(ProviderContext& context, const KeyObject& key,
                            std::vector<uint8_t>& der) {
  if (context.readerName.empty() || context.containerName.empty()) {
    return win::kNteFail;
  }
  DeviceSession session;
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
  }
  if (store::ReadContainerCertificate(session, context.containerName, KeySpecOf(key), der) != 0) {
    return win::kNteFail;
  }
  return 0;
}

uint32_t WriteKeyCertificate(ProviderContext& context, const KeyObject& key,
                             const uint8_t* certificate) {
  if (certificate == nullptr) {
    return win::kNteBadData;
  }
  const size_t length = DerSequenceLengthFromHeader(certificate);
  if (length == 0) {
    return win::kNteBadData;
  }
  const std::span<const uint8_t> der(certificate, length);
  if (context.readerName.empty()) {
    return win::kNteFail;
  }
  {
    // Only a certificate issued by another key is stored.
    const platform::Certificate decoded = platform::Certificate::Decode(der);
    if (!decoded.loaded() || decoded.IsSignedByOwnKey()) {
      return win::kNteFail;
    }
  }
  UpperCaseAscii(context.readerName);
  if (context.readerName.find(ui::kReaderNamePrefix) == std::string::npos) {
    return win::kNteFail;
  }
  const int32_t readerNumber = ui::ReaderNumberOf(context.readerName);

  DeviceSession session;
  std::vector<uint8_t> index;
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
  }
  if (store::ReadIndex(session, store::IndexKind::kObjects, index) != 0) {
    return win::kNteFail;
  }
  if (const uint32_t code = LoginForContext(context, session, LoginMode::kIfNotLoggedIn);
      code != 0) {
    return code;
  }
  ui::NotifyCertificateImport(ui::StepPhase::kBefore, readerNumber);
  const uint32_t status =
      store::WriteCertificate(session, context.containerName, KeySpecOf(key), der);
  session.Close();
  ui::NotifyCertificateImport(status == 0 ? ui::StepPhase::kSucceeded : ui::StepPhase::kFailed,
                              readerNumber);
  return status == 0 ? 0 : win::kNteFail;
}

}  // namespace kq::provider
