#include <windows.h>

#include "platform/file_lock.h"

#include <system_error>

namespace kq::platform {

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = kNone;
  }
  return *this;
}

FileLock FileLock::Acquire(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return FileLock();
  }
  // One byte locked exclusively; LockFileEx without LOCKFILE_FAIL_IMMEDIATELY blocks until free.
  OVERLAPPED where = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
    CloseHandle(file);
    return FileLock();
  }
  return FileLock(reinterpret_cast<intptr_t>(file));
}

void FileLock::Release() {
  if (handle_ != kNone) {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED where = {};
    UnlockFileEx(file, 0, 1, 0, &where);
    CloseHandle(file);
    handle_ = kNone;
  }
}

std::filesystem::path SharedLockFolder() {
  // The temporary folder is the user's own on Windows.
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  return error ? std::filesystem::path(L".") : temp;
}

}  // namespace kq::platform
