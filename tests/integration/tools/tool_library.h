#pragma once
// The provider library loaded as the bank's tools load it (by its path in the build), with the tool
// exports resolved by name, and the fixture of soft keys in a scene of their own. Each test program
// loads the library once.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "kqcsp.h"
#include "platform/dynamic_library.h"
#include "support/provider_library.h"
#include "support/softkey_scene.h"

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
  template <typename Function>
  Function Resolve(const char* symbol) const {
    return reinterpret_cast<Function>(library_.Symbol(symbol));
  }

 public:
  static ToolLibrary& Get() {
    static ToolLibrary library;
    return library;
  }

#define KQ_TEST_TOOL_MEMBER(name) decltype(&KQ_##name) name = Resolve<decltype(name)>("KQ_" #name);
  KQ_TEST_TOOL_EXPORTS(KQ_TEST_TOOL_MEMBER)
#undef KQ_TEST_TOOL_MEMBER
  decltype(&GetFunctionList) FunctionList = Resolve<decltype(FunctionList)>("GetFunctionList");
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

// A row of a table of calls: the code the call must answer, and the call's text to name the row.
struct CodeRow {
  uint32_t code;
  const char* call;
  std::function<uint32_t()> run;
};
#define KQ_ROW(code, ...)                                         \
  kqtest::CodeRow {                                               \
    code, #__VA_ARGS__, [&]() -> uint32_t { return __VA_ARGS__; } \
  }

inline void ExpectCodes(std::initializer_list<CodeRow> rows) {
  for (const CodeRow& row : rows) {
    EXPECT_EQ(row.run(), row.code) << row.call;
  }
}

class ToolTest : public ::testing::Test {
 protected:
  ToolLibrary& lib = ToolLibrary::Get();
  kq::test::SoftKeyScene scene;
  std::vector<std::string> keys;

  std::string AddKey(const kq::test::SceneKey& spec = {}) {
    keys.push_back(scene.AddKey(spec));
    return keys.back();
  }

  // Every handle opened on every key of the scene is closed.
  void ExpectAllClosed(const char* after) {
    for (const std::string& key : keys) {
      EXPECT_EQ(scene.OpenHandles(key), 0) << "a handle on " << key << " is open after " << after;
    }
  }
};

}  // namespace kqtest
