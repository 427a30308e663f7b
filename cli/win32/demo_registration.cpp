// Windows: the registration goes into HKEY_LOCAL_MACHINE where it is read, after a note of
// everything it replaces: the provider's key in this program's own registry view, where its
// advapi32 looks (the 32-bit view for a 32-bit kqtool.exe on 64-bit Windows), the product key in
// the 64-bit view, where the provider of either architecture reads it. Restore() writes the noted
// values back, deletes the values that were not there and then the keys that were not there,
// deepest first.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/utf.h"

#include "demo_registration.h"
#include "status_text.h"

namespace kq::cli {

namespace {

// The view of a key below HKEY_LOCAL_MACHINE: the product key's (SOFTWARE\KQVN...) is the 64-bit
// one, every other key's this program's own.
REGSAM ViewOf(const std::wstring& path) {
  constexpr std::wstring_view kProductKeys = L"SOFTWARE\\KQVN";
  return CompareStringOrdinal(
             path.c_str(), static_cast<int>(std::min(path.size(), kProductKeys.size())),
             kProductKeys.data(), static_cast<int>(kProductKeys.size()), TRUE) == CSTR_EQUAL
             ? KEY_WOW64_64KEY
             : 0;
}

std::wstring Wide(std::u16string_view text) {
  return {text.begin(), text.end()};
}

std::string Narrow(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// An open key of HKEY_LOCAL_MACHINE, closed when the object goes.
class RegistryKey {
 public:
  static RegistryKey Open(const std::wstring& path, REGSAM access) {
    RegistryKey key;
    key.status_ =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | ViewOf(path), &key.key_);
    return key;
  }
  static RegistryKey Create(const std::wstring& path) {
    RegistryKey key;
    key.status_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | ViewOf(path), nullptr, &key.key_, nullptr);
    return key;
  }
  RegistryKey(RegistryKey&& other) noexcept : key_(other.key_), status_(other.status_) {
    other.key_ = nullptr;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey& operator=(RegistryKey&&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) {
      RegCloseKey(key_);
    }
  }
  [[nodiscard]] bool open() const { return status_ == ERROR_SUCCESS; }
  [[nodiscard]] LSTATUS status() const { return status_; }
  [[nodiscard]] HKEY get() const { return key_; }

 private:
  RegistryKey() = default;
  HKEY key_ = nullptr;
  LSTATUS status_ = ERROR_INVALID_HANDLE;
};

// A value as it was before the demo: absent, or its type and data.
struct SavedValue {
  std::wstring key;
  std::wstring name;
  std::optional<DWORD> type;
  std::vector<uint8_t> data;
};

std::optional<SavedValue> Snapshot(const std::wstring& key, const std::wstring& name) {
  SavedValue saved{key, name, std::nullopt, {}};
  const RegistryKey open = RegistryKey::Open(key, KEY_QUERY_VALUE);
  if (!open.open()) {
    return saved;
  }
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    auto size = static_cast<DWORD>(saved.data.size());
    const LSTATUS status =
        RegQueryValueExW(open.get(), name.c_str(), nullptr, &type,
                         saved.data.empty() ? nullptr : saved.data.data(), &size);
    if (status == ERROR_FILE_NOT_FOUND) {
      return saved;
    }
    if (status == ERROR_SUCCESS && size <= saved.data.size()) {
      saved.type = type;
      saved.data.resize(size);
      return saved;
    }
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
      return std::nullopt;
    }
    saved.data.assign(size, 0);  // the value grew, or this was the size query
  }
  return std::nullopt;
}

// The key and those of its parents that do not exist yet, outermost first.
std::vector<std::wstring> MissingKeys(const std::wstring& key) {
  std::vector<std::wstring> missing;
  for (size_t end = key.find(L'\\');; end = key.find(L'\\', end + 1)) {
    const std::wstring path = key.substr(0, end);
    if (!missing.empty() || !RegistryKey::Open(path, KEY_QUERY_VALUE).open()) {
      missing.push_back(path);
    }
    if (end == std::wstring::npos) {
      return missing;
    }
  }
}

std::string Failure(const std::string& what, LSTATUS status) {
  return what + ": " + StatusLine(DescribeLastError(static_cast<uint32_t>(status)));
}

}  // namespace

struct DemoRegistration::Saved {
  std::vector<SavedValue> values;
  std::vector<std::wstring> createdKeys;  // outermost first
};

DemoRegistration::DemoRegistration(DemoScene& scene) : scene_(scene) {}

DemoRegistration::~DemoRegistration() {
  Restore();
}

bool DemoRegistration::Register(const std::string& imagePath) {
  const std::vector<RegistryEntry> entries = DemoRegistryEntries(imagePath);
  auto saved = std::make_unique<Saved>();
  // Everything is noted before anything is written.
  for (const RegistryEntry& entry : entries) {
    const std::wstring key = Wide(entry.key);
    if (saved->values.empty() || saved->values.back().key != key) {
      for (std::wstring& missing : MissingKeys(key)) {
        if (std::find(saved->createdKeys.begin(), saved->createdKeys.end(), missing) ==
            saved->createdKeys.end()) {
          saved->createdKeys.push_back(std::move(missing));
        }
      }
    }
    std::optional<SavedValue> value = Snapshot(key, Wide(entry.name));
    if (!value) {
      detail_ = "cannot read " + Narrow(key) + "\\" + Utf16ToUtf8(std::u16string(entry.name));
      return false;
    }
    saved->values.push_back(std::move(*value));
  }
  saved_ = std::move(saved);
  for (const RegistryEntry& entry : entries) {
    const std::wstring key = Wide(entry.key);
    const RegistryKey open = RegistryKey::Create(key);
    const LSTATUS status =
        open.open() ? RegSetValueExW(open.get(), Wide(entry.name).c_str(), 0, entry.type,
                                     entry.data.data(), static_cast<DWORD>(entry.data.size()))
                    : open.status();
    if (status != ERROR_SUCCESS) {
      const std::string reason = Failure("cannot write HKLM\\" + Narrow(key), status);
      Restore();
      detail_ = reason;
      return false;
    }
  }
  detail_ = sizeof(void*) == 8
                ? "in the registry (HKLM, 64-bit view) until the clean-up puts it back"
                : "in the registry (HKLM: the provider in the 32-bit view, the product key in the "
                  "64-bit one) until the clean-up puts it back";
  return true;
}

bool DemoRegistration::Restore() {
  if (!saved_) {
    return true;
  }
  bool restored = true;
  for (auto value = saved_->values.rbegin(); value != saved_->values.rend(); ++value) {
    const RegistryKey open = RegistryKey::Open(value->key, KEY_SET_VALUE);
    LSTATUS status = open.status();
    if (open.open() && value->type) {
      status = RegSetValueExW(open.get(), value->name.c_str(), 0, *value->type, value->data.data(),
                              static_cast<DWORD>(value->data.size()));
    } else if (open.open()) {
      status = RegDeleteValueW(open.get(), value->name.c_str());
    }
    if (status != ERROR_SUCCESS && !(status == ERROR_FILE_NOT_FOUND && !value->type)) {
      restored = false;
      detail_ = Failure("cannot restore HKLM\\" + Narrow(value->key), status);
    }
  }
  for (auto key = saved_->createdKeys.rbegin(); key != saved_->createdKeys.rend(); ++key) {
    const LSTATUS status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key->c_str(), ViewOf(*key), 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      restored = false;
      detail_ = Failure("cannot remove HKLM\\" + Narrow(*key), status);
    }
  }
  saved_.reset();
  return restored;
}

}  // namespace kq::cli
