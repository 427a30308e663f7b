#pragma once
// The PIN-entry library, loaded by name on the first login ("KQORVUI" through the platform's
// ordinary search) and freed at process exit. It asks for the PIN and verifies it on the key with
// its own handle, so the system holds no handle of that key meanwhile.

#include <cstdint>

#include "device/pinentry.h"
#include "platform/dynamic_library.h"

namespace kq {

class UiLibrary {
 public:
  // The process-wide library, loaded on first use.
  static UiLibrary& Instance();

  static constexpr const char* kBaseName = "KQORVUI";

  UiLibrary(const UiLibrary&) = delete;
  UiLibrary& operator=(const UiLibrary&) = delete;

  [[nodiscard]] bool loaded() const { return library_.loaded(); }

  // UI_LoginA, or pinentry::kUnavailable when the library or the function is missing.
  uint32_t Login(UiLoginRequest& request) const;

 private:
  UiLibrary();

  platform::DynamicLibrary library_;
  decltype(&UI_LoginA) login_ = nullptr;
  decltype(&UI_ChangePinA) changePin_ = nullptr;  // resolved for completeness; never called
};

}  // namespace kq
