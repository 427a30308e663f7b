#pragma once
// The built provider library loaded with dlopen, as CryptoAPI or a bank tool loads it (by its path
// in the build), with its CP* entry points, tool exports and GetLastError resolved by name.

#include <string>

#include "kqcsp.h"

namespace kq::platform {
class DynamicLibrary;
}

namespace kq::test {

// clang-format off
#define KQ_TEST_CP_EXPORTS(X) \
  X(CPAcquireContext) X(CPReleaseContext) X(CPGenKey) X(CPDeriveKey) X(CPDestroyKey) \
  X(CPSetKeyParam) X(CPGetKeyParam) X(CPExportKey) X(CPImportKey) X(CPEncrypt) X(CPDecrypt) \
  X(CPCreateHash) X(CPHashData) X(CPHashSessionKey) X(CPDestroyHash) X(CPSignHash) \
  X(CPVerifySignature) X(CPGenRandom) X(CPGetUserKey) X(CPSetProvParam) X(CPGetProvParam) \
  X(CPSetHashParam) X(CPGetHashParam) X(CPDuplicateKey) X(CPDuplicateHash)
// The 18 tool exports, by their names without "KQ_".
#define KQ_TEST_TOOL_EXPORTS(X) \
  X(CheckDevice) X(CheckWorkStatus) X(CheckDriver) X(CheckCSP) X(GetListNum) X(GetMediaID) \
  X(GetDeviceSN) X(GetCSPName) X(CSPName) X(InitCard) X(ChangePIN) X(CreatePKCS10) \
  X(WritePKCS7) X(GetAllCertDN) X(DeleteTempKeyOrCert) X(GetSignature) X(GetPubKeySignValue) \
  X(GetIDValue)
// clang-format on

// The 25 entry points, the tool exports ("KQ_CreatePKCS10" as CreatePKCS10) and GetFunctionList.
struct ProviderLibrary {
#define KQ_TEST_CP_MEMBER(name) decltype(&::name) name = nullptr;
  KQ_TEST_CP_EXPORTS(KQ_TEST_CP_MEMBER)
#undef KQ_TEST_CP_MEMBER
#define KQ_TEST_TOOL_MEMBER(name) decltype(&::KQ_##name) name = nullptr;
  KQ_TEST_TOOL_EXPORTS(KQ_TEST_TOOL_MEMBER)
#undef KQ_TEST_TOOL_MEMBER
  decltype(&::GetFunctionList) FunctionList = nullptr;
  // kernel32's on Windows, which are WINAPI (__stdcall on 32-bit Windows) like the CP* ones.
  uint32_t(KQ_CPAPI* GetLastError)() = nullptr;
  void(KQ_CPAPI* SetLastError)(uint32_t) = nullptr;

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
