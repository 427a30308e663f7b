#pragma once
// The provider library loaded as the bank's tools load it (by its path in the build), with the tool
// exports resolved by name. Each test program loads it once.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kqcsp.h"
#include "platform/dynamic_library.h"
#include "support/provider_library.h"

namespace kqtest {

class ToolLibrary {
  // Declared first: the members below resolve through it as they are initialised.
  kq::platform::DynamicLibrary library_ = Open();

 public:
  static ToolLibrary& Get() {
    static ToolLibrary library;
    return library;
  }

  const kq::platform::DynamicLibrary& library() const { return library_; }

  template <typename Fn>
  Fn* Resolve(const char* name) const {
    return reinterpret_cast<Fn*>(library_.Symbol(name));
  }

  decltype(&KQ_CheckDevice) CheckDevice = Resolve<decltype(KQ_CheckDevice)>("KQ_CheckDevice");
  decltype(&KQ_CheckWorkStatus) CheckWorkStatus =
      Resolve<decltype(KQ_CheckWorkStatus)>("KQ_CheckWorkStatus");
  decltype(&KQ_CheckDriver) CheckDriver = Resolve<decltype(KQ_CheckDriver)>("KQ_CheckDriver");
  decltype(&KQ_CheckCSP) CheckCSP = Resolve<decltype(KQ_CheckCSP)>("KQ_CheckCSP");
  decltype(&KQ_GetListNum) GetListNum = Resolve<decltype(KQ_GetListNum)>("KQ_GetListNum");
  decltype(&KQ_GetMediaID) GetMediaID = Resolve<decltype(KQ_GetMediaID)>("KQ_GetMediaID");
  decltype(&KQ_GetDeviceSN) GetDeviceSN = Resolve<decltype(KQ_GetDeviceSN)>("KQ_GetDeviceSN");
  decltype(&KQ_GetCSPName) GetCSPName = Resolve<decltype(KQ_GetCSPName)>("KQ_GetCSPName");
  decltype(&KQ_CSPName) CSPName = Resolve<decltype(KQ_CSPName)>("KQ_CSPName");
  decltype(&KQ_InitCard) InitCard = Resolve<decltype(KQ_InitCard)>("KQ_InitCard");
  decltype(&KQ_ChangePIN) ChangePIN = Resolve<decltype(KQ_ChangePIN)>("KQ_ChangePIN");
  decltype(&KQ_CreatePKCS10) CreatePKCS10 = Resolve<decltype(KQ_CreatePKCS10)>("KQ_CreatePKCS10");
  decltype(&KQ_WritePKCS7) WritePKCS7 = Resolve<decltype(KQ_WritePKCS7)>("KQ_WritePKCS7");
  decltype(&KQ_GetAllCertDN) GetAllCertDN = Resolve<decltype(KQ_GetAllCertDN)>("KQ_GetAllCertDN");
  decltype(&KQ_DeleteTempKeyOrCert) DeleteTempKeyOrCert =
      Resolve<decltype(KQ_DeleteTempKeyOrCert)>("KQ_DeleteTempKeyOrCert");
  decltype(&KQ_GetSignature) GetSignature = Resolve<decltype(KQ_GetSignature)>("KQ_GetSignature");
  decltype(&KQ_GetPubKeySignValue) GetPubKeySignValue =
      Resolve<decltype(KQ_GetPubKeySignValue)>("KQ_GetPubKeySignValue");
  decltype(&KQ_GetIDValue) GetIDValue = Resolve<decltype(KQ_GetIDValue)>("KQ_GetIDValue");
  decltype(&GetFunctionList) FunctionList = Resolve<decltype(GetFunctionList)>("GetFunctionList");
  uint32_t (*LastError)() = reinterpret_cast<uint32_t (*)()>(kq::test::LastErrorFunction(library_));

 private:
  ToolLibrary() = default;
  static kq::platform::DynamicLibrary Open() {
    // The provider finds the soft key's libraries by name through its own RUNPATH. Under
    // AddressSanitizer, dlopen is intercepted and glibc no longer sees the provider as the
    // caller, so that RUNPATH is not searched; loading the same files from the build first lets
    // the provider's dlopen by name find them already loaded, with or without the sanitizer.
    static std::vector<kq::platform::DynamicLibrary> softKey;
    for (const char* name : {"KQORV_Zantu", "KQORVUI"}) {
      softKey.push_back(kq::platform::DynamicLibrary::Load(
          std::string(KQ_TEST_LIB_DIR) + "/" + kq::platform::SharedLibraryFileName(name)));
    }
    return kq::platform::DynamicLibrary::Load(std::string(KQ_TEST_LIB_DIR) + "/" +
                                              kq::platform::SharedLibraryFileName("kqcsp"));
  }
};

}  // namespace kqtest
