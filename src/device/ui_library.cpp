#include "device/ui_library.h"

#include "common/codes_device.h"

namespace kq {

UiLibrary& UiLibrary::Instance() {
  static UiLibrary library;
  return library;
}

UiLibrary::UiLibrary()
    : library_(platform::DynamicLibrary::Load(platform::SharedLibraryFileName(kBaseName))) {
  login_ = reinterpret_cast<decltype(&UI_LoginA)>(library_.Symbol("UI_LoginA"));
  changePin_ = reinterpret_cast<decltype(&UI_ChangePinA)>(library_.Symbol("UI_ChangePinA"));
}

uint32_t UiLibrary::Login(UiLoginRequest& request) const {
  return login_ != nullptr ? login_(&request) : pinentry::kUnavailable;
}

}  // namespace kq
