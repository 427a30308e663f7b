#include "support/softkey_library.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/dynamic_library.h"

namespace kq::test {

namespace {

// The built library by its base name; it stays loaded for the rest of the process.
const platform::DynamicLibrary* OpenBuilt(const char* baseName) {
  const std::string path =
      std::string(KQ_TEST_LIB_DIR) + "/" + platform::SharedLibraryFileName(baseName);
  static std::vector<std::unique_ptr<platform::DynamicLibrary>> kept;
  kept.push_back(std::make_unique<platform::DynamicLibrary>(platform::DynamicLibrary::Load(path)));
  if (!kept.back()->loaded()) {
    ADD_FAILURE() << "cannot load " << path;
  }
  return kept.back().get();
}

template <typename Function>
void Resolve(const platform::DynamicLibrary* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(library->Symbol(name));
  if (out == nullptr) {
    ADD_FAILURE() << "cannot resolve " << name;
  }
}

}  // namespace

const SoftKeyLibrary& SoftKeyLibrary::Instance() {
  static const SoftKeyLibrary instance = [] {
    SoftKeyLibrary l;
    l.library = OpenBuilt("KQORV_Zantu");
#define KQ_TEST_ZANT_RESOLVE(name) Resolve(l.library, "ZANT_" #name, l.name);
    KQ_TEST_ZANT_OPERATIONS(KQ_TEST_ZANT_RESOLVE)
#undef KQ_TEST_ZANT_RESOLVE
    return l;
  }();
  return instance;
}

const SoftPinEntryLibrary& SoftPinEntryLibrary::Instance() {
  // The PIN-entry library loads the device library by name through its DT_RUNPATH. Under
  // AddressSanitizer the dlopen interceptor becomes the caller whose DT_RUNPATH the loader reads,
  // so the device library is loaded first: a loaded library answers to its name.
  (void)SoftKeyLibrary::Instance();
  static const SoftPinEntryLibrary instance = [] {
    SoftPinEntryLibrary l;
    l.library = OpenBuilt("KQORVUI");
    Resolve(l.library, "UI_LoginA", l.LoginA);
    Resolve(l.library, "UI_ChangePinA", l.ChangePinA);
    return l;
  }();
  return instance;
}

SoftKeyHandle::SoftKeyHandle(const std::string& readerName) {
  openStatus_ = SoftKeyLibrary::Instance().OpenDev(&handle_, readerName.c_str(), 0);
}

uint32_t SoftKeyHandle::Close() {
  if (handle_ == nullptr) {
    return 0;
  }
  const uint32_t status = SoftKeyLibrary::Instance().CloseDev(handle_, 0);
  handle_ = nullptr;
  return status;
}

uint8_t PollUntilEnded(ZANT_HANDLE handle, uint32_t* polls, uint32_t maxPolls) {
  for (uint32_t n = 1; n <= maxPolls; ++n) {
    uint8_t state[32] = {};
    uint32_t length = sizeof state;
    if (SoftKeyLibrary::Instance().GetDevState(handle, state, &length, 4) != 0) {
      return 0;
    }
    if (state[0] != 1) {
      if (polls != nullptr) {
        *polls = n;
      }
      return state[0];
    }
  }
  return 0;
}

}  // namespace kq::test
