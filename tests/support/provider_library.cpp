#include "support/provider_library.h"

#include <dlfcn.h>

namespace kq::test {

namespace {

template <typename Fn>
void Resolve(void* library, const char* name, Fn& out, ProviderLibrary& p) {
  out = reinterpret_cast<Fn>(dlsym(library, name));
  if (out == nullptr) {
    p.complete = false;
    p.problem += std::string(" missing ") + name;
  }
}

ProviderLibrary Load() {
  ProviderLibrary p;
  const std::string path = std::string(KQ_TEST_LIB_DIR) + "/libkqcsp.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    p.problem = "cannot load " + path + ": " + (why != nullptr ? why : "");
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
  Resolve(library, "GetLastError", p.GetLastError, p);
  Resolve(library, "SetLastError", p.SetLastError, p);
  // The library stays loaded for the rest of the process, as CryptoAPI keeps a provider.
  return p;
}

}  // namespace

const ProviderLibrary& Provider() {
  static const ProviderLibrary library = Load();
  return library;
}

}  // namespace kq::test
