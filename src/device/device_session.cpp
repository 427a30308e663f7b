#include "device/device_session.h"

#include <utility>

namespace kq {

DeviceSession::DeviceSession(DeviceSession&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      lock_(std::move(other.lock_)),
      readerName_(std::move(other.readerName_)),
      memory_(std::exchange(other.memory_, HandleMemory{})) {}

DeviceSession& DeviceSession::operator=(DeviceSession&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    lock_ = std::move(other.lock_);
    readerName_ = std::move(other.readerName_);
    memory_ = std::exchange(other.memory_, HandleMemory{});
  }
  return *this;
}

uint32_t DeviceSession::Open(std::string_view readerName) {
  if (!SameKey(readerName, readerName_)) {
    Close();
  }
  readerName_ = std::string(readerName);
  return Reopen();
}

uint32_t DeviceSession::Reopen() {
  Suspend();
  if (!lock_.held()) {
    lock_ = KeyLock::Hold(readerName_);
  }
  ZANT_HANDLE handle = nullptr;
  const uint32_t status = DeviceLibrary::Instance().OpenDev(&handle, readerName_.c_str(), 0);
  if (status != 0) {
    lock_.Release();
    return status;
  }
  handle_ = handle;
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

}  // namespace kq
