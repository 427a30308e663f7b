#include "support/provider_library.h"

#include "platform/dynamic_library.h"

namespace kq::test {

namespace {

template <typename Fn>
void Resolve(const platform::DynamicLibrary& library, const char* name, Fn& out,
             ProviderLibrary& p) {
  out = reinterpret_cast<Fn>(library.Symbol(name));
  if (out == nullptr) {
    p.complete = false;
    p.problem += std::string(" missing ") + name;
  }
}

ProviderLibrary Load() {
  ProviderLibrary p;
  const std::string path =
      std::string(KQ_TEST_LIB_DIR) + "/" + platform::SharedLibraryFileName("kqcsp");
  // Kept for the rest of the process, as CryptoAPI keeps a provider.
  static platform::DynamicLibrary library = platform::DynamicLibrary::Load(path);
  if (!library.loaded()) {
    p.problem = "cannot load " + path;
    return p;
  }
  p.complete = true;
#define KQ_TEST_CP_RESOLVE(name) Resolve(library, #name, p.name, p);
  KQ_TEST_CP_EXPORTS(KQ_TEST_CP_RESOLVE)
#undef KQ_TEST_CP_RESOLVE
  p.GetLastError = reinterpret_cast<decltype(p.GetLastError)>(LastErrorFunction(library));
  p.SetLastError =
      reinterpret_cast<decltype(p.SetLastError)>(LastErrorFunction(library, "SetLastError"));
  if (p.GetLastError == nullptr || p.SetLastError == nullptr) {
    p.complete = false;
    p.problem += " missing GetLastError or SetLastError";
  }
  return p;
}

}  // namespace

void* LastErrorFunction(const platform::DynamicLibrary& library, const char* name) {
  if (void* own = library.Symbol(name)) {
    return own;
  }
  static const platform::DynamicLibrary system =
      platform::DynamicLibrary::Load(platform::SharedLibraryFileName("kernel32"));
  return system.Symbol(name);
}

const ProviderLibrary& Provider() {
  static const ProviderLibrary library = Load();
  return library;
}

}  // namespace kq::test
