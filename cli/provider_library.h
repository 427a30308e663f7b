#pragma once
// The provider library as the bank's tools see it: loaded by its file name through the
// platform's ordinary search (or from a path given with --library), every export looked up by
// name. kqtool links none of the provider's code.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kqcsp.h"
#include "platform/dynamic_library.h"

namespace kq::cli {

struct ProviderExports {
  // CryptoAPI entry points.
  decltype(&::CPAcquireContext) CPAcquireContext = nullptr;
  decltype(&::CPReleaseContext) CPReleaseContext = nullptr;
  decltype(&::CPGenKey) CPGenKey = nullptr;
  decltype(&::CPDestroyKey) CPDestroyKey = nullptr;
  decltype(&::CPSetKeyParam) CPSetKeyParam = nullptr;
  decltype(&::CPGetKeyParam) CPGetKeyParam = nullptr;
  decltype(&::CPExportKey) CPExportKey = nullptr;
  decltype(&::CPImportKey) CPImportKey = nullptr;
  decltype(&::CPCreateHash) CPCreateHash = nullptr;
  decltype(&::CPHashData) CPHashData = nullptr;
  decltype(&::CPDestroyHash) CPDestroyHash = nullptr;
  decltype(&::CPSignHash) CPSignHash = nullptr;
  decltype(&::CPVerifySignature) CPVerifySignature = nullptr;
  decltype(&::CPGenRandom) CPGenRandom = nullptr;
  decltype(&::CPGetUserKey) CPGetUserKey = nullptr;
  decltype(&::CPSetProvParam) CPSetProvParam = nullptr;
  decltype(&::CPGetProvParam) CPGetProvParam = nullptr;
  decltype(&::CPSetHashParam) CPSetHashParam = nullptr;
  decltype(&::CPGetHashParam) CPGetHashParam = nullptr;
  // Bank tool exports.
  decltype(&::KQ_CheckDevice) KQ_CheckDevice = nullptr;
  decltype(&::KQ_CheckWorkStatus) KQ_CheckWorkStatus = nullptr;
  decltype(&::KQ_CheckDriver) KQ_CheckDriver = nullptr;
  decltype(&::KQ_CheckCSP) KQ_CheckCSP = nullptr;
  decltype(&::KQ_GetListNum) KQ_GetListNum = nullptr;
  decltype(&::KQ_GetMediaID) KQ_GetMediaID = nullptr;
  decltype(&::KQ_GetDeviceSN) KQ_GetDeviceSN = nullptr;
  decltype(&::KQ_GetCSPName) KQ_GetCSPName = nullptr;
  decltype(&::KQ_CSPName) KQ_CSPName = nullptr;
  decltype(&::KQ_InitCard) KQ_InitCard = nullptr;
  decltype(&::KQ_ChangePIN) KQ_ChangePIN = nullptr;
  decltype(&::KQ_CreatePKCS10) KQ_CreatePKCS10 = nullptr;
  decltype(&::KQ_WritePKCS7) KQ_WritePKCS7 = nullptr;
  decltype(&::KQ_GetAllCertDN) KQ_GetAllCertDN = nullptr;
  decltype(&::KQ_DeleteTempKeyOrCert) KQ_DeleteTempKeyOrCert = nullptr;
  decltype(&::KQ_GetSignature) KQ_GetSignature = nullptr;
  decltype(&::KQ_GetPubKeySignValue) KQ_GetPubKeySignValue = nullptr;
  decltype(&::KQ_GetIDValue) KQ_GetIDValue = nullptr;
  decltype(&::GetFunctionList) GetFunctionList = nullptr;
  // The library's own last-error slot (POSIX); absent on Windows, where kernel32 keeps it.
  uint32_t (*GetLastError)() = nullptr;
};

class ProviderLibrary {
 public:
  // The provider's file name on this platform ("libkqcsp.so", "kqcsp.dll").
  static std::string DefaultFileName();

  // Loads the library from `path`, or by its default file name when `path` is empty; nothing
  // (and `error` set) when it cannot be loaded. By name, the platform's search runs first; then
  // the program's own library folder is tried, as its run path names it (a sanitizer's dlopen
  // searches on behalf of the sanitizer's library, which has no run path).
  static std::optional<ProviderLibrary> Load(const std::string& path,
                                             const std::string& programPath, std::string& error);

  [[nodiscard]] const ProviderExports& exports() const { return exports_; }
  [[nodiscard]] const std::string& fileName() const { return fileName_; }
  // The names the library does not export (a library of another version).
  [[nodiscard]] const std::vector<std::string>& missing() const { return missing_; }
  // The calling thread's last error, as the last CP* call left it.
  [[nodiscard]] uint32_t LastError() const;

 private:
  ProviderLibrary() = default;
  void ResolveAll();

  platform::DynamicLibrary library_;
  ProviderExports exports_;
  std::string fileName_;
  std::vector<std::string> missing_;
};

}  // namespace kq::cli
