// Device management exports for the bank's tools: presence checks, key listing, the key that
// holds a certificate, provider name, initialisation and PIN change.
#include "common/codes_tools.h"
#include "kqcsp.h"
#include "tools/device_exports.h"
#include "tools/export_guard.h"

using kq::tools::GuardToolExport;

extern "C" {

// 1 when a key is attached and opens, else 0 with a message.
uint32_t KQ_CheckDevice(char* message) {
  return GuardToolExport(0, [&] { return kq::tools::CheckDevice(message); });
}

// The same check as KQ_CheckDevice, under the name some tools call.
uint32_t KQ_CheckWorkStatus(char* message) {
  return KQ_CheckDevice(message);
}

// 1 when the product's registry key exists, else 0 with a message.
uint32_t KQ_CheckDriver(char* message) {
  return GuardToolExport(0, [&] { return kq::tools::CheckDriver(message); });
}

// 1 when the provider is registered with CryptoAPI, else 0 with a message.
uint32_t KQ_CheckCSP(char* message) {
  return GuardToolExport(0, [&] { return kq::tools::CheckCsp(message); });
}

// Number of attached keys of the family ("73" for a non-zero flag, else "72").
uint32_t KQ_GetListNum(uint8_t familyFlag) {
  return GuardToolExport(0, [&] { return kq::tools::GetListNum(familyFlag); });
}

// Media ids of the family's keys joined by "|".
uint32_t KQ_GetMediaID(char* buffer, int32_t* length, uint8_t familyFlag) {
  return GuardToolExport(kq::tool::kEnumerationFailed,
                         [&] { return kq::tools::GetMediaId(buffer, length, familyFlag); });
}

// Identity of the key that holds a certificate with the subject.
uint32_t KQ_GetDeviceSN(const char* subjectDn, char* buffer, uint32_t* length) {
  return GuardToolExport(kq::tool::kNoDevice,
                         [&] { return kq::tools::GetDeviceSn(subjectDn, buffer, length); });
}

// Provider name, when an attached key holds a certificate with the subject.
uint32_t KQ_GetCSPName(const char* subjectDn, char* buffer, uint32_t* length) {
  return GuardToolExport(kq::tool::kNoDevice,
                         [&] { return kq::tools::GetCspName(subjectDn, buffer, length); });
}

// Provider name.
uint32_t KQ_CSPName(char* buffer, int32_t* length) {
  return GuardToolExport(kq::tool::kCertificateNotFound,
                         [&] { return kq::tools::CspName(buffer, length); });
}

// Initialises a key, confirmed on the key.
uint32_t KQ_InitCard(const char* mediaId, uintptr_t argument) {
  return GuardToolExport(kq::tool::kDeviceOperationFailed,
                         [&] { return kq::tools::InitCard(mediaId, argument); });
}

// Changes a key's PIN, confirmed on the key.
uint32_t KQ_ChangePIN(const char* mediaId, const char* oldPin, const char* newPin) {
  return GuardToolExport(kq::tool::kDeviceOperationFailed,
                         [&] { return kq::tools::ChangePin(mediaId, oldPin, newPin); });
}

}  // extern "C"
