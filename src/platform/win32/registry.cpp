#include "platform/registry.h"

#include <windows.h>

#include <string>

namespace kq::platform {

namespace {

REGSAM ReadAccess(RegistryView view) {
  return view == RegistryView::k64Bit ? (KEY_READ | KEY_WOW64_64KEY) : KEY_READ;
}

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// An open key, closed when the object goes.
class OpenKey {
 public:
  OpenKey(std::u16string_view path, RegistryView view) {
    const std::wstring wide = Wide(path);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide.c_str(), 0, ReadAccess(view), &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_ != nullptr) {
      RegCloseKey(key_);
    }
  }
  [[nodiscard]] HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool RegistryKeyExists(std::u16string_view keyPath, RegistryView view) {
  return OpenKey(keyPath, view).get() != nullptr;
}

RegistryStatus QueryRegistryValue(std::u16string_view keyPath, std::u16string_view valueName,
                                  RegistryView view, std::span<uint8_t> buffer, size_t& size,
                                  uint32_t& type) {
  const OpenKey key(keyPath, view);
  if (key.get() == nullptr) {
    return RegistryStatus::kKeyMissing;
  }
  const std::wstring name = Wide(valueName);
  DWORD valueType = 0;
  DWORD length = static_cast<DWORD>(buffer.size());
  const LSTATUS status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &valueType,
                                          buffer.empty() ? nullptr : buffer.data(), &length);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    size = length;
    type = valueType;
    if (status == ERROR_MORE_DATA || (buffer.empty() && length > 0)) {
      return RegistryStatus::kMoreData;
    }
    return RegistryStatus::kOk;
  }
  return RegistryStatus::kValueMissing;
}

}  // namespace kq::platform
