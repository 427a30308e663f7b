#include <dlfcn.h>

#include "platform/dynamic_library.h"

namespace kq::platform {

std::string SharedLibraryFileName(std::string_view baseName) {
  return "lib" + std::string(baseName) + ".so";
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
  return DynamicLibrary(dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL));
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void KeepThisLibraryLoaded() {}

void DynamicLibrary::Release() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace kq::platform
