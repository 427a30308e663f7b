#include <windows.h>

#include <string_view>

#include "common/utf.h"
#include "platform/dynamic_library.h"
#include "platform/programs.h"

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

namespace {

HMODULE LoadWide(const std::string& path) {
  const std::u16string wide = Utf8ToUtf16(path);
  return LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
}

}  // namespace

// A bare name goes through the process's ordinary DLL search first, so whoever puts a library of
// that name there (the system directory, the program's folder) is the one used. When that search
// finds nothing, the folder of the module that holds this code is tried, as $ORIGIN is on Linux:
// the provider registered from any folder finds the libraries installed beside it, whichever
// program loaded it. A name with a folder in it is loaded as given.
DynamicLibrary DynamicLibrary::Load(const std::string& fileName) {
  HMODULE module = LoadWide(fileName);
  if (module == nullptr && fileName.find_first_of("\\/:") == std::string::npos) {
    static const char anchor = 0;
    const std::string self = ModulePathOf(&anchor);
    const size_t slash = self.find_last_of("\\/");
    if (slash != std::string::npos) {
      module = LoadWide(self.substr(0, slash + 1) + fileName);
    }
  }
  return DynamicLibrary(reinterpret_cast<void*>(module));
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void KeepThisLibraryLoaded() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&KeepThisLibraryLoaded), &self);
}

void DynamicLibrary::Release() {
  if (handle_ != nullptr) {
    FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace kq::platform
