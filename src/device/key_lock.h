#pragma once
// The use of one key, held by one thread of one process at a time. A store change reads a file,
// changes it and writes it back across several device calls; two processes (or two threads) doing
// that at once on one key would each write back what they read and lose the other's change. A
// session holds this lock from the key's open to its close. The same thread may hold it again
// (nested sessions on one key), and a process that dies releases it with its lock file.

#include <string>
#include <string_view>

namespace kq {

class KeyLock {
 public:
  KeyLock() = default;
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;
  KeyLock(KeyLock&& other) noexcept;
  KeyLock& operator=(KeyLock&& other) noexcept;
  ~KeyLock() { Release(); }

  // Blocks until this thread holds the key named readerName; not held when the lock file that
  // orders other processes cannot be taken (a key used unordered could lose another's writes).
  static KeyLock Hold(std::string_view readerName);
  void Release();

  [[nodiscard]] bool held() const { return !readerName_.empty(); }

 private:
  std::string readerName_;
};

// Reader names that differ only in the case of ASCII letters name one key (the logins upper-case
// them).
bool SameKey(std::string_view first, std::string_view second);

// The lock file's name for a reader: letters (upper-cased), digits and '-' kept, every other byte
// as "_XX", so any reader name gives a valid file name, the same for every spelling of one key.
std::string KeyLockFileName(std::string_view readerName);

}  // namespace kq
