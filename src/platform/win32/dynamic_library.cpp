#include <windows.h>

#include <vector>

#include "platform/dynamic_library.h"

namespace kq::platform {

std::string SharedLibraryFileName(std::string_view baseName) {
  return std::string(baseName) + ".dll";
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

DynamicLibrary::~DynamicLibrary() {
  Release();
}

DynamicLibrary DynamicLibrary::Load(const std::string& fileName) {
  // File names here are ASCII; widen them for LoadLibraryW.
  std::wstring wide(fileName.begin(), fileName.end());
  return DynamicLibrary(reinterpret_cast<void*>(LoadLibraryW(wide.c_str())));
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::Release() {
  if (handle_ != nullptr) {
    FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace kq::platform
