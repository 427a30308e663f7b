#include "device/device_session.h"

#include <utility>

#include "common/codes_device.h"
#include "device/device_library.h"

namespace kq {

DeviceSession::DeviceSession(DeviceSession&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      lock_(std::move(other.lock_)),
      readerName_(std::move(other.readerName_)),
      identity_(std::exchange(other.identity_, KeyIdentity{})),
      memory_(std::exchange(other.memory_, HandleMemory{})) {}

DeviceSession& DeviceSession::operator=(DeviceSession&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    lock_ = std::move(other.lock_);
    readerName_ = std::move(other.readerName_);
    identity_ = std::exchange(other.identity_, KeyIdentity{});
    memory_ = std::exchange(other.memory_, HandleMemory{});
  }
  return *this;
}

uint32_t DeviceSession::Open(std::string_view readerName) {
  if (!SameKey(readerName, readerName_)) {
    Close();
    identity_ = {};
  }
  readerName_ = std::string(readerName);
  return Reopen();
}

uint32_t DeviceSession::Open(std::string_view readerName, const KeyIdentity& expected) {
  if (!SameKey(readerName, readerName_)) {
    Close();
  }
  readerName_ = std::string(readerName);
  identity_ = expected;
  return Reopen();
}

uint32_t DeviceSession::LearnIdentity() {
  if (!identity_.known()) {
    identity_ = KeyIdentity::Read(*this);
  }
  return identity_.known() ? dev::kOk : dev::kKeyReplaced;
}

uint32_t DeviceSession::Reopen() {
  Suspend();
  if (!lock_.held()) {
    lock_ = KeyLock::Hold(readerName_);
    if (!lock_.held()) {
      return dev::kKeyLockUnavailable;
    }
  }
  ZANT_HANDLE handle = nullptr;
  const uint32_t status = DeviceLibrary::Instance().OpenDev(&handle, readerName_.c_str(), 0);
  if (status != 0) {
    lock_.Release();
    return status;
  }
  handle_ = handle;
  if (identity_.known() && !identity_.Matches(*this)) {
    Close();
    return dev::kKeyReplaced;
  }
  return 0;
}

void DeviceSession::Suspend() {
  memory_.Clear();
  if (handle_ != nullptr) {
    DeviceLibrary::Instance().CloseDev(handle_, 0);
    handle_ = nullptr;
  }
}

void DeviceSession::Close() {
  Suspend();
  lock_.Release();
}

uint32_t DeviceSession::VerifyPIN(const char* pin, uint32_t pinLength) const {
  return DeviceLibrary::Instance().VerifyPIN(handle_, pin, pinLength);
}

uint32_t DeviceSession::ChangePIN(const char* oldPin, uint32_t oldLength, const char* newPin,
                                  uint32_t newLength, uint32_t reserved) const {
  return DeviceLibrary::Instance().ChangePIN(handle_, oldPin, oldLength, newPin, newLength,
                                             reserved);
}

uint32_t DeviceSession::InitDev(const uint8_t* identity, uintptr_t argument) const {
  return DeviceLibrary::Instance().InitDev(handle_, identity, argument);
}

uint32_t DeviceSession::GenerateRSAKey(uint32_t keyNumber, const char* tag, uint32_t bits,
                                       uint32_t option) const {
  return DeviceLibrary::Instance().GenerateRSAKey(handle_, keyNumber, tag, bits, option);
}

uint32_t DeviceSession::DeleteRSAKey(uint32_t keyNumber, uint32_t reserved) const {
  return DeviceLibrary::Instance().DeleteRSAKey(handle_, keyNumber, reserved);
}

uint32_t DeviceSession::GetKeyInfo(uint32_t keyNumber, uint32_t* keyBits, uint32_t* flags) const {
  return DeviceLibrary::Instance().GetKeyInfo(handle_, keyNumber, keyBits, flags);
}

uint32_t DeviceSession::ReadRSAPub(uint32_t keyNumber, uint32_t* bits, uint8_t* first,
                                   uint32_t* firstLength, uint8_t* second, uint32_t* secondLength,
                                   uint32_t reserved) const {
  return DeviceLibrary::Instance().ReadRSAPub(handle_, keyNumber, bits, first, firstLength, second,
                                              secondLength, reserved);
}

uint32_t DeviceSession::RSAPrivateSign(uint32_t keyNumber, uint32_t hashAlg, const uint8_t* data,
                                       uint32_t dataLength, uint8_t* signature,
                                       uint32_t* signatureLength, uint32_t reserved) const {
  return DeviceLibrary::Instance().RSAPrivateSign(handle_, keyNumber, hashAlg, data, dataLength,
                                                  signature, signatureLength, reserved);
}

uint32_t DeviceSession::RSAPrivateSignEx(uint32_t keyNumber, uint32_t hashAlg, const uint8_t* data,
                                         uint32_t dataLength, uint8_t* signature,
                                         uint32_t* signatureLength, uint32_t reserved) const {
  return DeviceLibrary::Instance().RSAPrivateSignEx(handle_, keyNumber, hashAlg, data, dataLength,
                                                    signature, signatureLength, reserved);
}

uint32_t DeviceSession::CreateFile(uint32_t* fileId, uint32_t size, uint32_t flag) const {
  return DeviceLibrary::Instance().CreateFile(handle_, fileId, size, flag);
}

uint32_t DeviceSession::GetFileLen(uint32_t fileId, uint32_t* length) const {
  return DeviceLibrary::Instance().GetFileLen(handle_, fileId, length);
}

uint32_t DeviceSession::ReadFile(uint32_t fileId, uint32_t offset, uint32_t length, uint8_t* buffer,
                                 uint32_t* count, uint32_t reserved) const {
  return DeviceLibrary::Instance().ReadFile(handle_, fileId, offset, length, buffer, count,
                                            reserved);
}

uint32_t DeviceSession::WriteFile(uint32_t fileId, uint32_t offset, const uint8_t* data,
                                  uint32_t length, uint32_t* count, uint32_t reserved) const {
  return DeviceLibrary::Instance().WriteFile(handle_, fileId, offset, data, length, count,
                                             reserved);
}

uint32_t DeviceSession::DeleteFile(uint32_t fileId) const {
  return DeviceLibrary::Instance().DeleteFile(handle_, fileId);
}

uint32_t DeviceSession::GetRandom(uint8_t* buffer, uint32_t length) const {
  return DeviceLibrary::Instance().GetRandom(handle_, buffer, length);
}

uint32_t DeviceSession::GetDevInfo(uint8_t* buffer, uint32_t* length, uint32_t kind) const {
  return DeviceLibrary::Instance().GetDevInfo(handle_, buffer, length, kind);
}

uint32_t DeviceSession::GetPINInfo(uint8_t* buffer, uint32_t* length, uint32_t kind) const {
  return DeviceLibrary::Instance().GetPINInfo(handle_, buffer, length, kind);
}

uint32_t DeviceSession::GetDevSer(uint8_t* buffer, uint32_t* length, uint32_t kind) const {
  return DeviceLibrary::Instance().GetDevSer(handle_, buffer, length, kind);
}

uint32_t DeviceSession::GetData(uint8_t* buffer, uint32_t* length, uint32_t kind) const {
  return DeviceLibrary::Instance().GetData(handle_, buffer, length, kind);
}

uint32_t DeviceSession::GetPubSigVal(uint32_t keyNumber, const void* callerData, uint8_t* value,
                                     uint32_t* valueLength) const {
  return DeviceLibrary::Instance().GetPubSigVal(handle_, keyNumber, callerData, value, valueLength);
}

uint32_t DeviceSession::ReadBirCert(uint8_t* buffer, uint32_t* length) const {
  return DeviceLibrary::Instance().ReadBirCert(handle_, buffer, length);
}

uint32_t DeviceSession::CleanPinStatus() const {
  return DeviceLibrary::Instance().CleanPinStatus(handle_);
}

uint32_t DeviceSession::SetLanguage(uint32_t language) const {
  return DeviceLibrary::Instance().SetLanguage(handle_, language);
}

}  // namespace kq
