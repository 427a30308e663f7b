#pragma once
// One short use of the key: opened by reader name, closed on every path out by the destructor.
// While open it holds the key's lock (KeyLock), so a store change made through it is not
// interleaved with another thread's or process's.
// A PIN login closes the session so the PIN-entry library has the key alone, then reopens it.
// What the open handle learned of the key is kept with it (HandleMemory) and forgotten when it
// closes.
// A session may know which key its reader name stood for (KeyIdentity): then every reopen (a PIN
// login's included) asks the key who it is, and a reader that now holds another key is closed
// again with dev::kKeyReplaced, so nothing is ever read, written, signed or deleted on it. An open
// handle stays on its key, so the check at each open covers everything done through the handle.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/handle_memory.h"
#include "device/key_identity.h"
#include "device/key_lock.h"
#include "device/zant.h"

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
  // library's status, 0 on success. Naming another reader forgets the identity; naming the same
  // one again checks it, as Reopen does.
  uint32_t Open(std::string_view readerName);
  // Opens the reader only if it still holds the key `expected` (when known): else
  // dev::kKeyReplaced, with the session closed.
  uint32_t Open(std::string_view readerName, const KeyIdentity& expected);
  // Reopens the key of the last Open, after Suspend or Close; dev::kKeyReplaced, with the
  // session closed, when the reader holds another key than the identity known.
  uint32_t Reopen();
  // Closes the handle but keeps the key's lock: the PIN-entry library opens the key itself, and
  // nobody else may change the key between what this session read before and writes after.
  void Suspend();
  // Closes the handle and lets other callers have the key.
  void Close();

  [[nodiscard]] bool isOpen() const { return handle_ != nullptr; }
  // The open handle, for the waits that poll the key on their own.
  [[nodiscard]] ZANT_HANDLE handle() const { return handle_; }
  [[nodiscard]] const std::string& readerName() const { return readerName_; }
  // The key this session stays on, when known.
  [[nodiscard]] const KeyIdentity& identity() const { return identity_; }
  // What the caller read of the open key itself (a serial it compared, a chooser's row).
  void RememberIdentity(const KeyIdentity& identity) { identity_ = identity; }
  // Asks the open key who it is unless that is known (one device call): 0, or dev::kKeyReplaced
  // when the key does not tell.
  uint32_t LearnIdentity();
  // What this handle read and wrote; empty while no handle is open. The store and the login
  // keep it up to date through a const session, as the handle itself is unchanged.
  [[nodiscard]] HandleMemory& memory() const { return memory_; }

  // The device library's operations on this session's handle, named as the library names them;
  // each returns the library's status unchanged.
  uint32_t VerifyPIN(const char* pin, uint32_t pinLength) const;
  uint32_t ChangePIN(const char* oldPin, uint32_t oldLength, const char* newPin, uint32_t newLength,
                     uint32_t reserved) const;
  uint32_t InitDev(const uint8_t* identity, uintptr_t argument) const;
  uint32_t GenerateRSAKey(uint32_t keyNumber, const char* tag, uint32_t bits,
                          uint32_t option) const;
  uint32_t DeleteRSAKey(uint32_t keyNumber, uint32_t reserved) const;
  uint32_t GetKeyInfo(uint32_t keyNumber, uint32_t* keyBits, uint32_t* flags) const;
  uint32_t ReadRSAPub(uint32_t keyNumber, uint32_t* bits, uint8_t* first, uint32_t* firstLength,
                      uint8_t* second, uint32_t* secondLength, uint32_t reserved) const;
  uint32_t RSAPrivateSign(uint32_t keyNumber, uint32_t hashAlg, const uint8_t* data,
                          uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength,
                          uint32_t reserved) const;
  uint32_t RSAPrivateSignEx(uint32_t keyNumber, uint32_t hashAlg, const uint8_t* data,
                            uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength,
                            uint32_t reserved) const;
  uint32_t CreateFile(uint32_t* fileId, uint32_t size, uint32_t flag) const;
  uint32_t GetFileLen(uint32_t fileId, uint32_t* length) const;
  uint32_t ReadFile(uint32_t fileId, uint32_t offset, uint32_t length, uint8_t* buffer,
                    uint32_t* count, uint32_t reserved) const;
  uint32_t WriteFile(uint32_t fileId, uint32_t offset, const uint8_t* data, uint32_t length,
                     uint32_t* count, uint32_t reserved) const;
  uint32_t DeleteFile(uint32_t fileId) const;
  uint32_t GetRandom(uint8_t* buffer, uint32_t length) const;
  uint32_t GetDevInfo(uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetPINInfo(uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetDevSer(uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetData(uint8_t* buffer, uint32_t* length, uint32_t kind) const;
  uint32_t GetPubSigVal(uint32_t keyNumber, const void* callerData, uint8_t* value,
                        uint32_t* valueLength) const;
  uint32_t ReadBirCert(uint8_t* buffer, uint32_t* length) const;
  uint32_t CleanPinStatus() const;
  uint32_t SetLanguage(uint32_t language) const;

 private:
  ZANT_HANDLE handle_ = nullptr;
  KeyLock lock_;
  std::string readerName_;
  KeyIdentity identity_;
  mutable HandleMemory memory_;
};

}  // namespace kq
