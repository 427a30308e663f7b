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
  Resolve(library, "CPAcquireContext", p.CPAcquireContext, p);
  Resolve(library, "CPReleaseContext", p.CPReleaseContext, p);
  Resolve(library, "CPGenKey", p.CPGenKey, p);
  Resolve(library, "CPDeriveKey", p.CPDeriveKey, p);
  Resolve(library, "CPDestroyKey", p.CPDestroyKey, p);
  Resolve(library, "CPSetKeyParam", p.CPSetKeyParam, p);
  Resolve(library, "CPGetKeyParam", p.CPGetKeyParam, p);
  Resolve(library, "CPExportKey", p.CPExportKey, p);
  Resolve(library, "CPImportKey", p.CPImportKey, p);
  Resolve(library, "CPEncrypt", p.CPEncrypt, p);
  Resolve(library, "CPDecrypt", p.CPDecrypt, p);
  Resolve(library, "CPCreateHash", p.CPCreateHash, p);
  Resolve(library, "CPHashData", p.CPHashData, p);
  Resolve(library, "CPHashSessionKey", p.CPHashSessionKey, p);
  Resolve(library, "CPDestroyHash", p.CPDestroyHash, p);
  Resolve(library, "CPSignHash", p.CPSignHash, p);
  Resolve(library, "CPVerifySignature", p.CPVerifySignature, p);
  Resolve(library, "CPGenRandom", p.CPGenRandom, p);
  Resolve(library, "CPGetUserKey", p.CPGetUserKey, p);
  Resolve(library, "CPSetProvParam", p.CPSetProvParam, p);
  Resolve(library, "CPGetProvParam", p.CPGetProvParam, p);
  Resolve(library, "CPSetHashParam", p.CPSetHashParam, p);
  Resolve(library, "CPGetHashParam", p.CPGetHashParam, p);
  Resolve(library, "CPDuplicateKey", p.CPDuplicateKey, p);
  Resolve(library, "CPDuplicateHash", p.CPDuplicateHash, p);
  p.GetLastError = reinterpret_cast<uint32_t (*)()>(LastErrorFunction(library));
  p.SetLastError = reinterpret_cast<void (*)(uint32_t)>(LastErrorFunction(library, "SetLastError"));
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
