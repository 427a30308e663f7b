#include "support/provider_library.h"

#include <vector>

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
  // The provider finds the soft key's libraries by name through its own RUNPATH. Under
  // AddressSanitizer, dlopen is intercepted and glibc no longer sees the provider as the caller,
  // so that RUNPATH is not searched; loading the same files from the build first lets the
  // provider's dlopen by name find them already loaded, with or without the sanitizer.
  static std::vector<platform::DynamicLibrary> softKey;
  for (const char* name : {"KQORV_Zantu", "KQORVUI"}) {
    softKey.push_back(platform::DynamicLibrary::Load(std::string(KQ_TEST_LIB_DIR) + "/" +
                                                     platform::SharedLibraryFileName(name)));
  }
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
#define KQ_TEST_TOOL_RESOLVE(name) Resolve(library, "KQ_" #name, p.name, p);
  KQ_TEST_TOOL_EXPORTS(KQ_TEST_TOOL_RESOLVE)
#undef KQ_TEST_TOOL_RESOLVE
  Resolve(library, "GetFunctionList", p.FunctionList, p);
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
