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

// The 29 operations, in the order of the device interface.
// clang-format off
#define KQ_TEST_ZANT_OPERATIONS(X) \
  X(EnumDev) X(OpenDev) X(CloseDev) X(GetRandom) X(VerifyPIN) X(ChangePIN) X(InitDev) \
  X(GenerateRSAKey) X(DeleteRSAKey) X(GetKeyInfo) X(ReadRSAPub) X(RSAPublicDec) \
  X(RSAPrivateSign) X(RSAPrivateSignEx) X(CreateFile) X(GetFileLen) X(ReadFile) X(WriteFile) \
  X(DeleteFile) X(GetDevInfo) X(GetPINInfo) X(GetDevNum) X(GetDevSer) X(GetDevState) X(GetData) \
  X(GetPubSigVal) X(ReadBirCert) X(CleanPinStatus) X(SetLanguage)
// clang-format on

struct SoftKeyLibrary {
  // build/lib/libKQORV_Zantu.so; a failed load or resolution fails the current test.
  static const SoftKeyLibrary& Instance();

  const platform::DynamicLibrary* library = nullptr;
#define KQ_TEST_ZANT_MEMBER(name) decltype(&ZANT_##name) name = nullptr;
  KQ_TEST_ZANT_OPERATIONS(KQ_TEST_ZANT_MEMBER)
#undef KQ_TEST_ZANT_MEMBER
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
