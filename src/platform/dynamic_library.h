#pragma once
// Loading a shared library by name through the platform's ordinary search, and resolving its
// functions. The library is released when the object goes.

#include <string>
#include <string_view>

namespace kq::platform {

// The platform's file name for a library base name: "KQORV_Zantu" is "libKQORV_Zantu.so" on
// Linux and "KQORV_Zantu.dll" on Windows.
std::string SharedLibraryFileName(std::string_view baseName);

// Keeps the library holding this code loaded until the process ends, whatever unloads it: a
// thread woken on the way out of a call may still run a few instructions of it. POSIX does this
// at link time (-z nodelete), so only Windows acts here.
void KeepThisLibraryLoaded();

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  DynamicLibrary(DynamicLibrary&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
  }
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  ~DynamicLibrary();

  // Loads a library by file name or path; an unloaded object when it cannot be loaded. A bare
  // file name goes through the platform's ordinary search (on Windows, when that finds nothing,
  // the folder of the module holding this code is tried too, as $ORIGIN is on Linux).
  static DynamicLibrary Load(const std::string& fileName);

  [[nodiscard]] bool loaded() const { return handle_ != nullptr; }
  // The address of an exported function, or null.
  [[nodiscard]] void* Symbol(const char* name) const;
  void Release();

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

}  // namespace kq::platform
