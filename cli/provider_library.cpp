#include "provider_library.h"

#include <filesystem>

#include "platform/last_error.h"

namespace kq::cli {

namespace {
template <typename Function>
void Resolve(const platform::DynamicLibrary& library, const char* name, Function& slot,
             std::vector<std::string>& missing) {
  slot = reinterpret_cast<Function>(library.Symbol(name));
  if (slot == nullptr) {
    missing.emplace_back(name);
  }
}
}  // namespace

std::string ProviderLibrary::DefaultFileName() {
  return platform::SharedLibraryFileName("kqcsp");
}

std::optional<ProviderLibrary> ProviderLibrary::Load(const std::string& path,
                                                     const std::string& programPath,
                                                     std::string& error) {
  ProviderLibrary provider;
  provider.fileName_ = path.empty() ? DefaultFileName() : path;
  provider.library_ = platform::DynamicLibrary::Load(provider.fileName_);
  if (!provider.library_.loaded() && path.empty() && !programPath.empty()) {
    const std::filesystem::path programDir = std::filesystem::path(programPath).parent_path();
    for (const std::filesystem::path& candidate :
         {programDir / ".." / "lib" / provider.fileName_, programDir / provider.fileName_}) {
      provider.library_ = platform::DynamicLibrary::Load(candidate.string());
      if (provider.library_.loaded()) {
        break;
      }
    }
  }
  if (!provider.library_.loaded()) {
    error = "cannot load the provider library " + provider.fileName_;
    return std::nullopt;
  }
  provider.ResolveAll();
  return provider;
}

void ProviderLibrary::ResolveAll() {
  ProviderExports& e = exports_;
  std::vector<std::string>& m = missing_;
  Resolve(library_, "CPAcquireContext", e.CPAcquireContext, m);
  Resolve(library_, "CPReleaseContext", e.CPReleaseContext, m);
  Resolve(library_, "CPGenKey", e.CPGenKey, m);
  Resolve(library_, "CPDestroyKey", e.CPDestroyKey, m);
  Resolve(library_, "CPSetKeyParam", e.CPSetKeyParam, m);
  Resolve(library_, "CPGetKeyParam", e.CPGetKeyParam, m);
  Resolve(library_, "CPExportKey", e.CPExportKey, m);
  Resolve(library_, "CPImportKey", e.CPImportKey, m);
  Resolve(library_, "CPCreateHash", e.CPCreateHash, m);
  Resolve(library_, "CPHashData", e.CPHashData, m);
  Resolve(library_, "CPDestroyHash", e.CPDestroyHash, m);
  Resolve(library_, "CPSignHash", e.CPSignHash, m);
  Resolve(library_, "CPVerifySignature", e.CPVerifySignature, m);
  Resolve(library_, "CPGenRandom", e.CPGenRandom, m);
  Resolve(library_, "CPGetUserKey", e.CPGetUserKey, m);
  Resolve(library_, "CPSetProvParam", e.CPSetProvParam, m);
  Resolve(library_, "CPGetProvParam", e.CPGetProvParam, m);
  Resolve(library_, "CPSetHashParam", e.CPSetHashParam, m);
  Resolve(library_, "CPGetHashParam", e.CPGetHashParam, m);
  Resolve(library_, "KQ_CheckDevice", e.KQ_CheckDevice, m);
  Resolve(library_, "KQ_CheckWorkStatus", e.KQ_CheckWorkStatus, m);
  Resolve(library_, "KQ_CheckDriver", e.KQ_CheckDriver, m);
  Resolve(library_, "KQ_CheckCSP", e.KQ_CheckCSP, m);
  Resolve(library_, "KQ_GetListNum", e.KQ_GetListNum, m);
  Resolve(library_, "KQ_GetMediaID", e.KQ_GetMediaID, m);
  Resolve(library_, "KQ_GetDeviceSN", e.KQ_GetDeviceSN, m);
  Resolve(library_, "KQ_GetCSPName", e.KQ_GetCSPName, m);
  Resolve(library_, "KQ_CSPName", e.KQ_CSPName, m);
  Resolve(library_, "KQ_InitCard", e.KQ_InitCard, m);
  Resolve(library_, "KQ_ChangePIN", e.KQ_ChangePIN, m);
  Resolve(library_, "KQ_CreatePKCS10", e.KQ_CreatePKCS10, m);
  Resolve(library_, "KQ_WritePKCS7", e.KQ_WritePKCS7, m);
  Resolve(library_, "KQ_GetAllCertDN", e.KQ_GetAllCertDN, m);
  Resolve(library_, "KQ_DeleteTempKeyOrCert", e.KQ_DeleteTempKeyOrCert, m);
  Resolve(library_, "KQ_GetSignature", e.KQ_GetSignature, m);
  Resolve(library_, "KQ_GetPubKeySignValue", e.KQ_GetPubKeySignValue, m);
  Resolve(library_, "KQ_GetIDValue", e.KQ_GetIDValue, m);
  Resolve(library_, "GetFunctionList", e.GetFunctionList, m);
  // Not an error when absent: on Windows the last error lives in kernel32.
  e.GetLastError = reinterpret_cast<uint32_t (*)()>(library_.Symbol("GetLastError"));
}

uint32_t ProviderLibrary::LastError() const {
  return exports_.GetLastError != nullptr ? exports_.GetLastError() : platform::LastErrorCode();
}

}  // namespace kq::cli
