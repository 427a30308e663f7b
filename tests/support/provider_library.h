#pragma once
// The built provider library loaded with dlopen, as CryptoAPI or a bank tool loads it, with its
// CP* entry points and its GetLastError resolved by name.

#include <string>

#include "kqcsp.h"

namespace kq::platform {
class DynamicLibrary;
}

namespace kq::test {

struct ProviderLibrary {
  decltype(&::CPAcquireContext) CPAcquireContext = nullptr;
  decltype(&::CPReleaseContext) CPReleaseContext = nullptr;
  decltype(&::CPGenKey) CPGenKey = nullptr;
  decltype(&::CPDeriveKey) CPDeriveKey = nullptr;
  decltype(&::CPDestroyKey) CPDestroyKey = nullptr;
  decltype(&::CPSetKeyParam) CPSetKeyParam = nullptr;
  decltype(&::CPGetKeyParam) CPGetKeyParam = nullptr;
  decltype(&::CPExportKey) CPExportKey = nullptr;
  decltype(&::CPImportKey) CPImportKey = nullptr;
  decltype(&::CPEncrypt) CPEncrypt = nullptr;
  decltype(&::CPDecrypt) CPDecrypt = nullptr;
  decltype(&::CPCreateHash) CPCreateHash = nullptr;
  decltype(&::CPHashData) CPHashData = nullptr;
  decltype(&::CPHashSessionKey) CPHashSessionKey = nullptr;
  decltype(&::CPDestroyHash) CPDestroyHash = nullptr;
  decltype(&::CPSignHash) CPSignHash = nullptr;
  decltype(&::CPVerifySignature) CPVerifySignature = nullptr;
  decltype(&::CPGenRandom) CPGenRandom = nullptr;
  decltype(&::CPGetUserKey) CPGetUserKey = nullptr;
  decltype(&::CPSetProvParam) CPSetProvParam = nullptr;
  decltype(&::CPGetProvParam) CPGetProvParam = nullptr;
  decltype(&::CPSetHashParam) CPSetHashParam = nullptr;
  decltype(&::CPGetHashParam) CPGetHashParam = nullptr;
  decltype(&::CPDuplicateKey) CPDuplicateKey = nullptr;
  decltype(&::CPDuplicateHash) CPDuplicateHash = nullptr;
  uint32_t (*GetLastError)() = nullptr;
  void (*SetLastError)(uint32_t) = nullptr;

  // True when the library was loaded and every name resolved.
  bool complete = false;
  std::string problem;  // what failed, for the test's message
};

// The thread's last error as a caller reads it: the library's own GetLastError export where it
// has one (Linux), else the system's (kernel32 on Windows, where the provider sets that).
void* LastErrorFunction(const platform::DynamicLibrary& library, const char* name = "GetLastError");

// The provider of the build (KQ_TEST_LIB_DIR/libkqcsp.so), loaded once per process and kept.
const ProviderLibrary& Provider();

}  // namespace kq::test
