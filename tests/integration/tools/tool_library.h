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

// The 18 tool exports.
// clang-format off
#define KQ_TEST_TOOL_EXPORTS(X) \
  X(CheckDevice) X(CheckWorkStatus) X(CheckDriver) X(CheckCSP) X(GetListNum) X(GetMediaID) \
  X(GetDeviceSN) X(GetCSPName) X(CSPName) X(InitCard) X(ChangePIN) X(CreatePKCS10) \
  X(WritePKCS7) X(GetAllCertDN) X(DeleteTempKeyOrCert) X(GetSignature) X(GetPubKeySignValue) \
  X(GetIDValue)
// clang-format on

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

#define KQ_TEST_TOOL_MEMBER(name) \
  decltype(&KQ_##name) name = Resolve<decltype(KQ_##name)>("KQ_" #name);
  KQ_TEST_TOOL_EXPORTS(KQ_TEST_TOOL_MEMBER)
#undef KQ_TEST_TOOL_MEMBER
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
