#include "platform/system_facts.h"

#include <windows.h>

namespace kq::platform {

uint16_t SystemDefaultLanguageId() {
  return GetSystemDefaultLangID();
}

uint16_t NativeProcessorArchitecture() {
  // GetNativeSystemInfo is looked up so that a system without it falls back to GetSystemInfo.
  using NativeInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
  SYSTEM_INFO info{};
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto native = kernel != nullptr ? reinterpret_cast<NativeInfoFn>(reinterpret_cast<void*>(
                                              GetProcAddress(kernel, "GetNativeSystemInfo")))
                                        : nullptr;
  if (native != nullptr) {
    native(&info);
  } else {
    GetSystemInfo(&info);
  }
  return info.wProcessorArchitecture;
}

void* ActiveWindow() {
  return reinterpret_cast<void*>(GetActiveWindow());
}

}  // namespace kq::platform
