#pragma once
// The soft key's two libraries as a test loads them: by path from the build (dlopen), with every
// operation resolved, and a handle that closes itself.

#include <cstdint>
#include <string>

#include "device/pinentry.h"
#include "device/zant.h"

namespace kq::platform {
class DynamicLibrary;
}

namespace kq::test {

struct SoftKeyLibrary {
  // build/lib/libKQORV_Zantu.so; a failed load or resolution fails the current test.
  static const SoftKeyLibrary& Instance();

  const platform::DynamicLibrary* library = nullptr;
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

// build/lib/libKQORVUI.so.
struct SoftPinEntryLibrary {
  static const SoftPinEntryLibrary& Instance();

  const platform::DynamicLibrary* library = nullptr;
  decltype(&UI_LoginA) LoginA = nullptr;
  decltype(&UI_ChangePinA) ChangePinA = nullptr;
};

// An open soft key, closed when the object goes.
class SoftKeyHandle {
 public:
  explicit SoftKeyHandle(const std::string& readerName);
  SoftKeyHandle(const SoftKeyHandle&) = delete;
  SoftKeyHandle& operator=(const SoftKeyHandle&) = delete;
  ~SoftKeyHandle() { Close(); }

  [[nodiscard]] uint32_t openStatus() const { return openStatus_; }
  [[nodiscard]] ZANT_HANDLE get() const { return handle_; }
  uint32_t Close();

 private:
  ZANT_HANDLE handle_ = nullptr;
  uint32_t openStatus_ = 0;
};

// Polls ZANT_GetDevState until the wait ends; returns the final state byte (0 on a failed poll)
// and counts the polls made.
uint8_t PollUntilEnded(ZANT_HANDLE handle, uint32_t* polls = nullptr, uint32_t maxPolls = 100000);

}  // namespace kq::test
