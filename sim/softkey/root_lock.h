#pragma once
// The locks that serialise processes on the soft keys: one per key directory (every operation on
// the key holds it) and one for the root's own files (fault plan, counters of key-less calls,
// creation of keys).

#include <filesystem>

#include "platform/file_lock.h"

namespace kq::sim {

inline constexpr char kLockFileName[] = "lock";

inline platform::FileLock LockRoot(const std::filesystem::path& root) {
  return platform::FileLock::Acquire(root / kLockFileName);
}

inline platform::FileLock LockKey(const std::filesystem::path& keyDirectory) {
  return platform::FileLock::Acquire(keyDirectory / kLockFileName);
}

}  // namespace kq::sim
