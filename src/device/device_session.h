#pragma once
// One short use of the key: opened by reader name, closed on every path out by the destructor.
// While open it holds the key's lock (KeyLock), so a store change made through it is not
// interleaved with another thread's or process's.
// A PIN login closes the session so the PIN-entry library has the key alone, then reopens it.
// What the open handle learned of the key is kept with it (HandleMemory) and forgotten when it
// closes.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/device_library.h"
#include "device/handle_memory.h"
#include "device/key_lock.h"

namespace kq {

class DeviceSession {
 public:
  DeviceSession() = default;
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;
  DeviceSession(DeviceSession&& other) noexcept;
  DeviceSession& operator=(DeviceSession&& other) noexcept;
  ~DeviceSession() { Close(); }

  // Opens the key named by readerName (closing any key this session held); returns the device
  // library's status, 0 on success.
  uint32_t Open(std::string_view readerName);
  // Reopens the key of the last Open, after Suspend or Close.
  uint32_t Reopen();
  // Closes the handle but keeps the key's lock: the PIN-entry library opens the key itself, and
  // nobody else may change the key between what this session read before and writes after.
  void Suspend();
  // Closes the handle and lets other callers have the key.
  void Close();

  [[nodiscard]] bool isOpen() const { return handle_ != nullptr; }
  [[nodiscard]] ZANT_HANDLE handle() const { return handle_; }
  [[nodiscard]] const std::string& readerName() const { return readerName_; }
  [[nodiscard]] const DeviceLibrary& device() const { return DeviceLibrary::Instance(); }
  // What this handle read and wrote; empty while no handle is open. The store and the login
  // keep it up to date through a const session, as the handle itself is unchanged.
  [[nodiscard]] HandleMemory& memory() const { return memory_; }

 private:
  ZANT_HANDLE handle_ = nullptr;
  KeyLock lock_;
  std::string readerName_;
  mutable HandleMemory memory_;
};

}  // namespace kq
