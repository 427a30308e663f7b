#pragma once
// The provider loaded as the bank's tools load it on a deployed machine: LoadLibraryW(L"kqcsp.dll")
// by name alone, which finds the copy in the system directory. Loaded once per program and kept.
#include <windows.h>

#include "kqcsp.h"

namespace kq::wintest {

class ToolLibrary {
 public:
  static const ToolLibrary& Get() {
    static const ToolLibrary library;
    return library;
  }
  ToolLibrary(const ToolLibrary&) = delete;
  ToolLibrary& operator=(const ToolLibrary&) = delete;
  ~ToolLibrary() {
    if (module_ != nullptr) {
      FreeLibrary(module_);
    }
  }

  [[nodiscard]] HMODULE module() const { return module_; }

  template <typename Fn>
  Fn* Resolve(const char* name) const {
    // Through void*, as the address of an export is cast on every platform.
    return module_ == nullptr
               ? nullptr
               : reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  ToolLibrary() : module_(LoadLibraryW(L"kqcsp.dll")) {}
  HMODULE module_;

 public:
  decltype(&KQ_CheckDevice) CheckDevice = Resolve<decltype(KQ_CheckDevice)>("KQ_CheckDevice");
  decltype(&KQ_CheckDriver) CheckDriver = Resolve<decltype(KQ_CheckDriver)>("KQ_CheckDriver");
  decltype(&KQ_CheckCSP) CheckCSP = Resolve<decltype(KQ_CheckCSP)>("KQ_CheckCSP");
  decltype(&KQ_GetMediaID) GetMediaID = Resolve<decltype(KQ_GetMediaID)>("KQ_GetMediaID");
  decltype(&KQ_CreatePKCS10) CreatePKCS10 = Resolve<decltype(KQ_CreatePKCS10)>("KQ_CreatePKCS10");
  decltype(&KQ_WritePKCS7) WritePKCS7 = Resolve<decltype(KQ_WritePKCS7)>("KQ_WritePKCS7");
  decltype(&KQ_GetAllCertDN) GetAllCertDN = Resolve<decltype(KQ_GetAllCertDN)>("KQ_GetAllCertDN");
  decltype(&KQ_GetSignature) GetSignature = Resolve<decltype(KQ_GetSignature)>("KQ_GetSignature");
};

}  // namespace kq::wintest
