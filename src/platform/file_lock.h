#pragma once
// An exclusive lock on a lock file, held between processes and between threads of one process
// (each lock opens the file anew). POSIX: flock on the open file; Win32: LockFileEx. The lock is
// released when the object goes.

#include <cstdint>
#include <filesystem>

namespace kq::platform {

class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock() { Release(); }

  // Opens (creating it when missing) the lock file and blocks until the lock is held. The object
  // is unlocked when the file cannot be opened or locked, and on POSIX when it is a link or
  // anything but a regular file of this user that no one else may open.
  static FileLock Acquire(const std::filesystem::path& path);

  [[nodiscard]] bool locked() const { return handle_ != kNone; }
  void Release();

 private:
  static constexpr intptr_t kNone = -1;
  explicit FileLock(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kNone;
};

// The folder for lock files that processes share: POSIX, this user's private folder
// "kqcsp-locks-<uid>" in the temporary folder (which all users share), else
// "~/.cache/kqcsp-locks", each used only when it is a folder of this user with mode 0700 in a
// parent where no one else can swap it, else empty (no folder: the key is not opened); Win32, the
// machine's "%ProgramData%\KQVN\locks", which every user at every integrity level may write to
// (the user's temporary folder, written to the debug output, when it cannot be made).
std::filesystem::path SharedLockFolder();

}  // namespace kq::platform
