#include "device/device_library.h"

#include <mutex>

#include "common/codes_device.h"
#include "platform/dynamic_library.h"

namespace kq {

struct DeviceLibrary::Binding {
  platform::DynamicLibrary library;
  decltype(&ZANT_EnumDev) EnumDev = nullptr;
  decltype(&ZANT_OpenDev) OpenDev = nullptr;
  decltype(&ZANT_CloseDev) CloseDev = nullptr;
  decltype(&ZANT_GetRandom) GetRandom = nullptr;
  decltype(&ZANT_VerifyPIN) VerifyPIN = nullptr;
  decltype(&ZANT_ChangePIN) ChangePIN = nullptr;
  decltype(&ZANT_InitDev) InitDev = nullptr;
  decltype(&ZANT_GenerateRSAKey) GenerateRSAKey = nullptr;
  decltype(&ZANT_DeleteRSAKey) DeleteRSAKey = nullptr;
  decltype(&ZANT_GetKeyInfo) GetKeyInfo = nullptr;
  decltype(&ZANT_ReadRSAPub) ReadRSAPub = nullptr;
  decltype(&ZANT_RSAPublicDec) RSAPublicDec = nullptr;
  decltype(&ZANT_RSAPrivateSign) RSAPrivateSign = nullptr;
  decltype(&ZANT_RSAPrivateSignEx) RSAPrivateSignEx = nullptr;
  decltype(&ZANT_CreateFile) CreateFile = nullptr;
  decltype(&ZANT_GetFileLen) GetFileLen = nullptr;
  decltype(&ZANT_ReadFile) ReadFile = nullptr;
  decltype(&ZANT_WriteFile) WriteFile = nullptr;
  decltype(&ZANT_DeleteFile) DeleteFile = nullptr;
  decltype(&ZANT_GetDevInfo) GetDevInfo = nullptr;
  decltype(&ZANT_GetPINInfo) GetPINInfo = nullptr;
  decltype(&ZANT_GetDevNum) GetDevNum = nullptr;
  decltype(&ZANT_GetDevSer) GetDevSer = nullptr;
  decltype(&ZANT_GetDevState) GetDevState = nullptr;
  decltype(&ZANT_GetData) GetData = nullptr;
  decltype(&ZANT_GetPubSigVal) GetPubSigVal = nullptr;
  decltype(&ZANT_ReadBirCert) ReadBirCert = nullptr;
  decltype(&ZANT_CleanPinStatus) CleanPinStatus = nullptr;
  decltype(&ZANT_SetLanguage) SetLanguage = nullptr;
};

namespace {

// Resolution runs once, in the order of the operation table.
void Resolve(DeviceLibrary::Binding& b) {
  b.library =
      platform::DynamicLibrary::Load(platform::SharedLibraryFileName(DeviceLibrary::kBaseName));
  if (!b.library.loaded()) {
    return;
  }
  b.EnumDev = reinterpret_cast<decltype(&ZANT_EnumDev)>(b.library.Symbol("ZANT_EnumDev"));
  b.OpenDev = reinterpret_cast<decltype(&ZANT_OpenDev)>(b.library.Symbol("ZANT_OpenDev"));
  b.CloseDev = reinterpret_cast<decltype(&ZANT_CloseDev)>(b.library.Symbol("ZANT_CloseDev"));
  b.GetRandom = reinterpret_cast<decltype(&ZANT_GetRandom)>(b.library.Symbol("ZANT_GetRandom"));
  b.VerifyPIN = reinterpret_cast<decltype(&ZANT_VerifyPIN)>(b.library.Symbol("ZANT_VerifyPIN"));
  b.ChangePIN = reinterpret_cast<decltype(&ZANT_ChangePIN)>(b.library.Symbol("ZANT_ChangePIN"));
  b.InitDev = reinterpret_cast<decltype(&ZANT_InitDev)>(b.library.Symbol("ZANT_InitDev"));
  b.GenerateRSAKey =
      reinterpret_cast<decltype(&ZANT_GenerateRSAKey)>(b.library.Symbol("ZANT_GenerateRSAKey"));
  b.DeleteRSAKey =
      reinterpret_cast<decltype(&ZANT_DeleteRSAKey)>(b.library.Symbol("ZANT_DeleteRSAKey"));
  b.GetKeyInfo = reinterpret_cast<decltype(&ZANT_GetKeyInfo)>(b.library.Symbol("ZANT_GetKeyInfo"));
  b.ReadRSAPub = reinterpret_cast<decltype(&ZANT_ReadRSAPub)>(b.library.Symbol("ZANT_ReadRSAPub"));
  b.RSAPublicDec =
      reinterpret_cast<decltype(&ZANT_RSAPublicDec)>(b.library.Symbol("ZANT_RSAPublicDec"));
  b.RSAPrivateSign =
      reinterpret_cast<decltype(&ZANT_RSAPrivateSign)>(b.library.Symbol("ZANT_RSAPrivateSign"));
  b.RSAPrivateSignEx =
      reinterpret_cast<decltype(&ZANT_RSAPrivateSignEx)>(b.library.Symbol("ZANT_RSAPrivateSignEx"));
  b.CreateFile = reinterpret_cast<decltype(&ZANT_CreateFile)>(b.library.Symbol("ZANT_CreateFile"));
  b.GetFileLen = reinterpret_cast<decltype(&ZANT_GetFileLen)>(b.library.Symbol("ZANT_GetFileLen"));
  b.ReadFile = reinterpret_cast<decltype(&ZANT_ReadFile)>(b.library.Symbol("ZANT_ReadFile"));
  b.WriteFile = reinterpret_cast<decltype(&ZANT_WriteFile)>(b.library.Symbol("ZANT_WriteFile"));
  b.DeleteFile = reinterpret_cast<decltype(&ZANT_DeleteFile)>(b.library.Symbol("ZANT_DeleteFile"));
  b.GetDevInfo = reinterpret_cast<decltype(&ZANT_GetDevInfo)>(b.library.Symbol("ZANT_GetDevInfo"));
  b.GetPINInfo = reinterpret_cast<decltype(&ZANT_GetPINInfo)>(b.library.Symbol("ZANT_GetPINInfo"));
  b.GetDevNum = reinterpret_cast<decltype(&ZANT_GetDevNum)>(b.library.Symbol("ZANT_GetDevNum"));
  b.GetDevSer = reinterpret_cast<decltype(&ZANT_GetDevSer)>(b.library.Symbol("ZANT_GetDevSer"));
  b.GetDevState =
      reinterpret_cast<decltype(&ZANT_GetDevState)>(b.library.Symbol("ZANT_GetDevState"));
  b.GetData = reinterpret_cast<decltype(&ZANT_GetData)>(b.library.Symbol("ZANT_GetData"));
  b.GetPubSigVal =
      reinterpret_cast<decltype(&ZANT_GetPubSigVal)>(b.library.Symbol("ZANT_GetPubSigVal"));
  b.ReadBirCert =
      reinterpret_cast<decltype(&ZANT_ReadBirCert)>(b.library.Symbol("ZANT_ReadBirCert"));
  b.CleanPinStatus =
      reinterpret_cast<decltype(&ZANT_CleanPinStatus)>(b.library.Symbol("ZANT_CleanPinStatus"));
  b.SetLanguage =
      reinterpret_cast<decltype(&ZANT_SetLanguage)>(b.library.Symbol("ZANT_SetLanguage"));
}

}  // namespace

DeviceLibrary::DeviceLibrary() = default;

DeviceLibrary& DeviceLibrary::Instance() {
  static DeviceLibrary instance;
  return instance;
}

const DeviceLibrary::Binding& DeviceLibrary::binding() const {
  // Built on the first operation, released with the other statics at process exit.
  static Binding binding;
  static std::once_flag once;
  std::call_once(once, [] { Resolve(binding); });
  return binding;
}

bool DeviceLibrary::loaded() const {
  return binding().library.loaded();
}

uint32_t DeviceLibrary::EnumDev(char* buffer, uint32_t* length, uint32_t reserved) const {
  const auto fn = binding().EnumDev;
  return fn != nullptr ? fn(buffer, length, reserved) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::OpenDev(ZANT_HANDLE* handle, const char* readerName,
                                uint32_t reserved) const {
  const auto fn = binding().OpenDev;
  return fn != nullptr ? fn(handle, readerName, reserved) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::CloseDev(ZANT_HANDLE handle, uint32_t reserved) const {
  const auto fn = binding().CloseDev;
  return fn != nullptr ? fn(handle, reserved) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetRandom(ZANT_HANDLE handle, uint8_t* buffer, uint32_t length) const {
  const auto fn = binding().GetRandom;
  return fn != nullptr ? fn(handle, buffer, length) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::VerifyPIN(ZANT_HANDLE handle, const char* pin, uint32_t pinLength) const {
  const auto fn = binding().VerifyPIN;
  return fn != nullptr ? fn(handle, pin, pinLength) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::ChangePIN(ZANT_HANDLE handle, const char* oldPin, uint32_t oldLength,
                                  const char* newPin, uint32_t newLength, uint32_t reserved) const {
  const auto fn = binding().ChangePIN;
  return fn != nullptr ? fn(handle, oldPin, oldLength, newPin, newLength, reserved)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::InitDev(ZANT_HANDLE handle, const uint8_t* identity,
                                uintptr_t argument) const {
  const auto fn = binding().InitDev;
  return fn != nullptr ? fn(handle, identity, argument) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GenerateRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, const char* tag,
                                       uint32_t bits, uint32_t option) const {
  const auto fn = binding().GenerateRSAKey;
  return fn != nullptr ? fn(handle, keyNumber, tag, bits, option) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::DeleteRSAKey(ZANT_HANDLE handle, uint32_t keyNumber,
                                     uint32_t reserved) const {
  const auto fn = binding().DeleteRSAKey;
  return fn != nullptr ? fn(handle, keyNumber, reserved) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetKeyInfo(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* keyBits,
                                   uint32_t* flags) const {
  const auto fn = binding().GetKeyInfo;
  return fn != nullptr ? fn(handle, keyNumber, keyBits, flags) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::ReadRSAPub(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* bits,
                                   uint8_t* first, uint32_t* firstLength, uint8_t* second,
                                   uint32_t* secondLength, uint32_t reserved) const {
  const auto fn = binding().ReadRSAPub;
  return fn != nullptr
             ? fn(handle, keyNumber, bits, first, firstLength, second, secondLength, reserved)
             : dev::kMissingOperation;
}

uint32_t DeviceLibrary::RSAPublicDec(ZANT_HANDLE handle, uint32_t keyNumber, const uint8_t* input,
                                     uint32_t inputLength, uint8_t* output,
                                     uint32_t* outputLength) const {
  const auto fn = binding().RSAPublicDec;
  return fn != nullptr ? fn(handle, keyNumber, input, inputLength, output, outputLength)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::RSAPrivateSign(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                                       const uint8_t* data, uint32_t dataLength, uint8_t* signature,
                                       uint32_t* signatureLength, uint32_t reserved) const {
  const auto fn = binding().RSAPrivateSign;
  return fn != nullptr ? fn(handle, keyNumber, hashAlg, data, dataLength, signature,
                            signatureLength, reserved)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::RSAPrivateSignEx(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                                         const uint8_t* data, uint32_t dataLength,
                                         uint8_t* signature, uint32_t* signatureLength,
                                         uint32_t reserved) const {
  const auto fn = binding().RSAPrivateSignEx;
  return fn != nullptr ? fn(handle, keyNumber, hashAlg, data, dataLength, signature,
                            signatureLength, reserved)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::CreateFile(ZANT_HANDLE handle, uint32_t* fileId, uint32_t size,
                                   uint32_t flag) const {
  const auto fn = binding().CreateFile;
  return fn != nullptr ? fn(handle, fileId, size, flag) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetFileLen(ZANT_HANDLE handle, uint32_t fileId, uint32_t* length) const {
  const auto fn = binding().GetFileLen;
  return fn != nullptr ? fn(handle, fileId, length) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::ReadFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset,
                                 uint32_t length, uint8_t* buffer, uint32_t* count,
                                 uint32_t reserved) const {
  const auto fn = binding().ReadFile;
  return fn != nullptr ? fn(handle, fileId, offset, length, buffer, count, reserved)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::WriteFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset,
                                  const uint8_t* data, uint32_t length, uint32_t* count,
                                  uint32_t reserved) const {
  const auto fn = binding().WriteFile;
  return fn != nullptr ? fn(handle, fileId, offset, data, length, count, reserved)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::DeleteFile(ZANT_HANDLE handle, uint32_t fileId) const {
  const auto fn = binding().DeleteFile;
  return fn != nullptr ? fn(handle, fileId) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetDevInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                   uint32_t kind) const {
  const auto fn = binding().GetDevInfo;
  return fn != nullptr ? fn(handle, buffer, length, kind) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetPINInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                   uint32_t kind) const {
  const auto fn = binding().GetPINInfo;
  return fn != nullptr ? fn(handle, buffer, length, kind) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetDevNum(uint32_t* count) const {
  const auto fn = binding().GetDevNum;
  return fn != nullptr ? fn(count) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetDevSer(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                  uint32_t kind) const {
  const auto fn = binding().GetDevSer;
  return fn != nullptr ? fn(handle, buffer, length, kind) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                    uint32_t request) const {
  const auto fn = binding().GetDevState;
  return fn != nullptr ? fn(handle, buffer, length, request) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetData(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                uint32_t kind) const {
  const auto fn = binding().GetData;
  return fn != nullptr ? fn(handle, buffer, length, kind) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::GetPubSigVal(ZANT_HANDLE handle, uint32_t keyNumber, const void* callerData,
                                     uint8_t* value, uint32_t* valueLength) const {
  const auto fn = binding().GetPubSigVal;
  return fn != nullptr ? fn(handle, keyNumber, callerData, value, valueLength)
                       : dev::kMissingOperation;
}

uint32_t DeviceLibrary::ReadBirCert(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length) const {
  const auto fn = binding().ReadBirCert;
  return fn != nullptr ? fn(handle, buffer, length) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::CleanPinStatus(ZANT_HANDLE handle) const {
  const auto fn = binding().CleanPinStatus;
  return fn != nullptr ? fn(handle) : dev::kMissingOperation;
}

uint32_t DeviceLibrary::SetLanguage(ZANT_HANDLE handle, uint32_t language) const {
  const auto fn = binding().SetLanguage;
  return fn != nullptr ? fn(handle, language) : dev::kMissingOperation;
}

}  // namespace kq
