// The ten functions of the table that GetFunctionList hands out. Each names the key by reader
// name and media id, opens it itself and closes it before returning.
#include "tools/function_table.h"

#include <array>
#include <span>

#include "common/codes_tools.h"
#include "device/device_library.h"
#include "device/info_answers.h"
#include "store/label_file.h"
#include "tools/container_table.h"
#include "tools/export_guard.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/reader_walk.h"

namespace kq::tools {

namespace {

namespace code = tool::table;

// The bank's tools keep their user data in the key's label file.
constexpr uint32_t kUserDataSize = store::kLabelFileSize;

// Opens the named reader and checks that its identity begins with the media id.
uint32_t OpenCheckedDevice(const char* readerName, const char* mediaId, DeviceSession& session) {
  if (readerName == nullptr || !IsMediaId(mediaId)) {
    return code::kNullArgument;
  }
  if (session.Open(readerName) != 0) {
    return code::kOpenFailed;
  }
  DeviceSerial identity{};
  uint32_t length = static_cast<uint32_t>(identity.size());
  if (session.GetDevSer(identity.data(), &length, static_cast<uint32_t>(SerialKind::kIdentity)) !=
      0) {
    return code::kDeviceFailed;
  }
  return SerialMatches(identity, mediaId) ? code::kOk : code::kWrongMediaId;
}

uint32_t EnumDevicesImpl(char* buffer, uint32_t* length) {
  if (length == nullptr) {
    return code::kNullArgument;
  }
  return DeviceLibrary::Instance().EnumDev(buffer, length, 0);
}

uint32_t GetDeviceIdentityImpl(const char* readerName, uint8_t* buffer, uint32_t* length) {
  if (readerName == nullptr || length == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (session.Open(readerName) != 0) {
    return code::kOpenFailed;
  }
  if (buffer == nullptr) {
    *length = kMediaIdLength;
    return code::kOk;
  }
  if (*length < kMediaIdLength) {
    *length = kMediaIdLength;
    return code::kBufferTooSmall;
  }
  const uint32_t status =
      session.GetDevSer(buffer, length, static_cast<uint32_t>(SerialKind::kIdentity));
  return status == 0 ? code::kOk : code::kDeviceFailed;
}

uint32_t ReadUserDataImpl(const char* readerName, const char* mediaId, uint8_t* buffer,
                          uint32_t* length) {
  if (length == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  if (buffer == nullptr) {
    *length = kUserDataSize;
    return code::kOk;
  }
  if (*length < kUserDataSize) {
    *length = kUserDataSize;
    return code::kBufferTooSmall;
  }
  const uint32_t status = store::ReadLabelFile(
      session, std::span<uint8_t, kUserDataSize>(buffer, kUserDataSize), *length);
  return status == 0 ? code::kOk : code::kDeviceFailed;
}

uint32_t WriteUserDataImpl(const char* readerName, const char* mediaId, const uint8_t* data,
                           uint32_t dataLength) {
  if (data == nullptr || dataLength == 0) {
    return code::kNullArgument;
  }
  if (dataLength > kUserDataSize) {
    return code::kDataTooLong;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  uint32_t written = 0;
  if (store::WriteLabelFile(session, {data, dataLength}, written) != 0) {
    return code::kDeviceFailed;
  }
  return written == kUserDataSize ? code::kOk : code::kShortWrite;
}

uint32_t GetContainerNamesImpl(const char* readerName, const char* mediaId, char* buffer,
                               uint32_t* length) {
  if (length == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  std::vector<std::string> names;
  if (!ReadContainerNames(session, names)) {
    return code::kDeviceFailed;
  }
  if (names.empty()) {
    *length = 0;
    return code::kOk;
  }
  std::string text;
  for (const std::string& name : names) {
    text.append(name);
    text.push_back('\0');
  }
  text.push_back('\0');
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return DeliverBytes({bytes, text.size()}, buffer, length, code::kBufferTooSmall);
}

// One certificate into its buffer; the length is left alone when the certificate is unreadable.
bool DeliverCertificate(const std::vector<uint8_t>* der, uint8_t* buffer, uint32_t* length) {
  if (der == nullptr) {
    return true;
  }
  return DeliverBytes(*der, buffer, length, code::kBufferTooSmall) == 0;
}

uint32_t GetContainerCertificatesImpl(const char* readerName, const char* mediaId,
                                      const char* containerName, uint8_t* signatureCertificate,
                                      uint32_t* signatureLength, uint8_t* exchangeCertificate,
                                      uint32_t* exchangeLength) {
  if (readerName == nullptr || mediaId == nullptr || containerName == nullptr ||
      signatureLength == nullptr || exchangeLength == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  ContainerCertificates certificates;
  if (!ReadContainerCertificates(session, containerName, certificates)) {
    return code::kDeviceFailed;
  }
  const bool signatureFits =
      DeliverCertificate(certificates.signature ? &*certificates.signature : nullptr,
                         signatureCertificate, signatureLength);
  const bool exchangeFits =
      DeliverCertificate(certificates.exchange ? &*certificates.exchange : nullptr,
                         exchangeCertificate, exchangeLength);
  return signatureFits && exchangeFits ? code::kOk : code::kBufferTooSmall;
}

uint32_t GetPinInfoImpl(const char* readerName, const char* mediaId, uint8_t* byteA,
                        uint8_t* byteB) {
  if (byteA == nullptr || byteB == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  std::array<uint8_t, 32> info{};
  uint32_t length = static_cast<uint32_t>(info.size());
  if (session.GetPINInfo(info.data(), &length, 1) != 0) {
    return code::kDeviceFailed;
  }
  // The buffer is ours and zeroed: it is read whatever length the key reports.
  const PinInfo pin = DecodePinInfo(info).value_or(PinInfo{});
  *byteB = pin.triesAllowed;
  *byteA = pin.triesLeft;
  return code::kOk;
}

uint32_t GetDeviceInfoImpl(const char* readerName, const char* mediaId, uint32_t* valueA,
                           uint32_t* valueB) {
  if (valueA == nullptr || valueB == nullptr) {
    return code::kNullArgument;
  }
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  std::array<uint8_t, kDevInfoSize> info{};
  uint32_t length = kDevInfoSize;
  if (session.GetDevInfo(info.data(), &length, kDevInfoSpace) != 0) {
    return code::kDeviceFailed;
  }
  // The buffer is ours and zeroed: it is read whatever length the key reports.
  const SpaceInfo space = DecodeSpaceInfo(info).value_or(SpaceInfo{});
  *valueA = space.freeBytes;
  *valueB = space.capacity;
  return code::kOk;
}

uint32_t CleanPinStatusImpl(const char* readerName, const char* mediaId) {
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  return session.CleanPinStatus() == 0 ? code::kOk : code::kDeviceFailed;
}

uint32_t SetDeviceLanguageImpl(const char* readerName, const char* mediaId, int32_t languageId) {
  DeviceSession session;
  if (const uint32_t status = OpenCheckedDevice(readerName, mediaId, session); status != 0) {
    return status;
  }
  uint32_t language = 0;
  switch (languageId) {
    case 2052:  // Simplified Chinese (PRC, Singapore)
    case 4100:
      language = 0;
      break;
    case 1028:  // Traditional Chinese (Taiwan, Hong Kong, Macao)
    case 3076:
    case 5124:
      language = 1;
      break;
    case 1033:  // English
      language = 2;
      break;
    default:
      return code::kOk;  // the key keeps its language
  }
  return session.SetLanguage(language) == 0 ? code::kOk : code::kDeviceFailed;
}

// Table entries are called from outside: no exception may leave them.
constexpr uint32_t kFailed = code::kDeviceFailed;

uint32_t EnumDevices(char* buffer, uint32_t* length) {
  return GuardToolExport(kFailed, [&] { return EnumDevicesImpl(buffer, length); });
}
uint32_t GetDeviceIdentity(const char* readerName, uint8_t* buffer, uint32_t* length) {
  return GuardToolExport(kFailed,
                         [&] { return GetDeviceIdentityImpl(readerName, buffer, length); });
}
uint32_t ReadUserData(const char* readerName, const char* mediaId, uint8_t* buffer,
                      uint32_t* length) {
  return GuardToolExport(kFailed,
                         [&] { return ReadUserDataImpl(readerName, mediaId, buffer, length); });
}
uint32_t WriteUserData(const char* readerName, const char* mediaId, const uint8_t* data,
                       uint32_t dataLength) {
  return GuardToolExport(kFailed,
                         [&] { return WriteUserDataImpl(readerName, mediaId, data, dataLength); });
}
uint32_t GetContainerNames(const char* readerName, const char* mediaId, char* buffer,
                           uint32_t* length) {
  return GuardToolExport(
      kFailed, [&] { return GetContainerNamesImpl(readerName, mediaId, buffer, length); });
}
uint32_t GetContainerCertificates(const char* readerName, const char* mediaId,
                                  const char* containerName, uint8_t* signatureCertificate,
                                  uint32_t* signatureLength, uint8_t* exchangeCertificate,
                                  uint32_t* exchangeLength) {
  return GuardToolExport(kFailed, [&] {
    return GetContainerCertificatesImpl(readerName, mediaId, containerName, signatureCertificate,
                                        signatureLength, exchangeCertificate, exchangeLength);
  });
}
uint32_t GetPinInfo(const char* readerName, const char* mediaId, uint8_t* byteA, uint8_t* byteB) {
  return GuardToolExport(kFailed,
                         [&] { return GetPinInfoImpl(readerName, mediaId, byteA, byteB); });
}
uint32_t GetDeviceInfo(const char* readerName, const char* mediaId, uint32_t* valueA,
                       uint32_t* valueB) {
  return GuardToolExport(kFailed,
                         [&] { return GetDeviceInfoImpl(readerName, mediaId, valueA, valueB); });
}
uint32_t CleanPinStatus(const char* readerName, const char* mediaId) {
  return GuardToolExport(kFailed, [&] { return CleanPinStatusImpl(readerName, mediaId); });
}
uint32_t SetDeviceLanguage(const char* readerName, const char* mediaId, int32_t languageId) {
  return GuardToolExport(kFailed,
                         [&] { return SetDeviceLanguageImpl(readerName, mediaId, languageId); });
}

}  // namespace

uint32_t FillFunctionList(KqFunctionList* list) {
  if (list == nullptr) {
    return code::kNullArgument;
  }
  list->majorVersion = 1;
  list->minorVersion = 0;
  list->EnumDevices = &EnumDevices;
  list->GetDeviceIdentity = &GetDeviceIdentity;
  list->ReadUserData = &ReadUserData;
  list->WriteUserData = &WriteUserData;
  list->GetContainerNames = &GetContainerNames;
  list->GetContainerCertificates = &GetContainerCertificates;
  list->GetPinInfo = &GetPinInfo;
  list->GetDeviceInfo = &GetDeviceInfo;
  list->CleanPinStatus = &CleanPinStatus;
  list->SetDeviceLanguage = &SetDeviceLanguage;
  return code::kOk;
}

}  // namespace kq::tools
