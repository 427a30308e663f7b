#pragma once
// The lazily loaded binding of the device library: loaded by name on the first call of any
// operation, its 29 operations resolved by name in table order, freed at process exit. An
// operation that did not resolve returns 0xE0000001.

#include <cstdint>

#include "device/zant.h"

namespace kq {

class DeviceLibrary {
 public:
  // The process-wide binding, created on first use.
  static DeviceLibrary& Instance();

  // The library's base name; the platform adds its prefix and suffix.
  static constexpr const char* kBaseName = "KQORV_Zantu";

  [[nodiscard]] bool loaded() const;

  uint32_t EnumDev(char* buffer, uint32_t* length, uint32_t reserved) const;
  uint32_t OpenDev(ZANT_HANDLE* handle, const char* readerName, uint32_t reserved) const;
  uint32_t CloseDev(ZANT_HANDLE handle, uint32_t reserved) const;
  uint32_t GetRandom(ZANT_HANDLE handle, uint8_t* buffer, uint32_t length) const;
  uint32_t VerifyPIN(ZANT_HANDLE handle, const char* pin, uint32_t pinLength) const;
  uint32_t ChangePIN(ZANT_HANDLE handle, const char* oldPin, uint32_t oldLength, const char* newPin,
                     uint32_t newLength, uint32_t reserved) const;
  uint32_t InitDev(ZANT_HANDLE handle, const uint8_t* identity, uintptr_t argument) const;
  uint32_t GenerateRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, const char* tag, uint32_t bits,
                          uint32_t option) const;
  uint32_t DeleteRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t reserved) const;
  uint32_t GetKeyInfo(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* keyBits,
                      uint32_t* flags) const;
  uint32_t ReadRSAPub(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* bits, uint8_t* first,
                      uint32_t* firstLength, uint8_t* second, uint32_t* secondLength,
                      uint32_t reserved) const;
  uint32_t RSAPublicDec(ZANT_HANDLE handle, uint32_t keyNumber, const uint8_t* input,
                        uint32_t inputLength, uint8_t* output, uint32_t* outputLength) const;
  uint32_t RSAPrivateSign(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                          const uint8_t* data, uint32_t dataLength, uint8_t* signature,
                          uint32_t* signatureLength, uint32_t reserved) const;
  uint32_t RSAPrivateSignEx(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                            const uint8_t* data, uint32_t dataLength, uint8_t* signature,
                            uint32_t* signatureLength, uint32_t reserved) const;
  uint32_t CreateFile(ZANT_HANDLE handle, uint32_t* fileId, uint32_t size, uint32_t flag) const;
  uint32_t GetFileLen(ZANT_HANDLE handle, uint32_t fileId, uint32_t* length) const;
  uint32_t ReadFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset, uint32_t length,
                    uint8_t* buffer, uint32_t* count, uint32_t reserved) const;
  uint32_t WriteFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset, const uint8_t* data,
                     uint32_t length, uint32_t* count, uint32_t reserved) const;
  uint32_t DeleteFile(ZANT_HANDLE handle, uint32_t fileId) const;
  uint32_t GetDevInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetPINInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetDevNum(uint32_t* count) const;
  uint32_t GetDevSer(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                       uint32_t request) const;
  uint32_t GetData(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetPubSigVal(ZANT_HANDLE handle, uint32_t keyNumber, const void* callerData,
                        uint8_t* value, uint32_t* valueLength) const;
  uint32_t ReadBirCert(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length) const;
  uint32_t CleanPinStatus(ZANT_HANDLE handle) const;
  uint32_t SetLanguage(ZANT_HANDLE handle, uint32_t language) const;

  // The resolved operations; defined where the library is loaded.
  struct Binding;

 private:
  DeviceLibrary();
  const Binding& binding() const;
};

}  // namespace kq
