#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include "platform/file_lock.h"

#include <string>
#include <system_error>

namespace kq::platform {
namespace {

// The lock folder and its files are the machine's, not a user's: every process of either
// architecture, of any user and at any integrity level (a browser plug-in runs at low integrity,
// in Temp\Low) must find one lock file per key, or two of them change the key at once and corrupt
// it. Everyone may read, write and add files (only SYSTEM and the administrators delete them), and
// the low mandatory label (no write up) lets low integrity processes write too. The price: a
// hostile local user can hold a key's lock, or spoil its file before anyone made it, and so keep
// others waiting or unordered; without a shared lock any two programs with different temporary
// folders corrupt the key, which is the worse and the more common harm. A process at low integrity
// cannot make the folder in %ProgramData%: it uses the folder once another process has made it.
constexpr wchar_t kFolderSecurity[] =
    L"D:P(A;;FRFWFX;;;WD)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)S:(ML;;NW;;;LW)";
constexpr wchar_t kFileSecurity[] = L"D:P(A;;FRFW;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)S:(ML;;NW;;;LW)";

// A security descriptor made from SDDL, freed when it goes; empty when the text is refused.
class Security {
 public:
  explicit Security(const wchar_t* sddl) {
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_,
                                                         nullptr);
    attributes_.lpSecurityDescriptor = descriptor_;
  }
  Security(const Security&) = delete;
  Security& operator=(const Security&) = delete;
  ~Security() { LocalFree(descriptor_); }

  [[nodiscard]] bool made() const { return descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_ = {sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// One line in the debug output (DebugView; Wine's +debugstr channel): a lock that is not the
// machine's orders fewer processes, and nothing else would show it.
void DebugLine(const std::wstring& what, DWORD error) {
  OutputDebugStringW((L"kqcsp: " + what + L" (error " + std::to_wstring(error) + L")\n").c_str());
}

// Made now, or there already as a folder (another process may make it at the same time).
bool MakeFolder(const std::filesystem::path& folder, SECURITY_ATTRIBUTES* security) {
  if (CreateDirectoryW(folder.c_str(), security)) {
    return true;
  }
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// %ProgramData% as the system knows it, not as this process's environment says.
std::filesystem::path ProgramDataFolder() {
  PWSTR path = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path))) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = kNone;
  }
  return *this;
}

FileLock FileLock::Acquire(const std::filesystem::path& path) {
  // Made with the machine's rights (ignored when the file is there). No one may delete the file
  // while it is open: a file pending deletion can no longer be opened, and the next process would
  // go unordered.
  Security security(kFileSecurity);
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  security.attributes(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DebugLine(L"cannot open the lock file " + path.wstring(), GetLastError());
    return FileLock();
  }
  // One byte locked exclusively; LockFileEx without LOCKFILE_FAIL_IMMEDIATELY blocks until free.
  OVERLAPPED where = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
    DebugLine(L"cannot lock " + path.wstring(), GetLastError());
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
  const std::filesystem::path programData = ProgramDataFolder();
  const std::filesystem::path folder = programData / L"KQVN" / L"locks";
  Security security(kFolderSecurity);
  if (!programData.empty() && security.made() && MakeFolder(programData / L"KQVN", nullptr) &&
      MakeFolder(folder, security.attributes())) {
    return folder;
  }
  DebugLine(L"cannot make the lock folder " + folder.wstring() +
                L"; only processes with this temporary folder are ordered",
            GetLastError());
  // Still orders the processes that share this temporary folder.
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  return error ? std::filesystem::path(L".") : temp;
}

}  // namespace kq::platform
