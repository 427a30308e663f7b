#pragma once
// PIN login through the PIN-entry library. The caller's session is closed so the library has
// the key alone, and reopened by reader name after a verified PIN. Each wrong PIN is announced by
// the refresh-PIN broadcast and explained in a message box, and the PIN is asked again until the
// library answers anything but a wrong PIN. After a failed login the session is closed.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/device_session.h"

namespace kq {

enum class LoginMode : uint32_t {
  kIfNotLoggedIn = 1,  // nothing is asked when the key reports its PIN as verified
  kAlways = 4,         // always ask for the PIN
};

// Whether a login succeeded on the session's open handle. Within one export, a step that would
// repeat a mode-1 login on that same handle relies on it instead of asking the key again; every
// login that asks for the PIN closes the handle, and closing forgets it.
[[nodiscard]] inline bool LoggedInOnThisHandle(const DeviceSession& session) {
  return session.memory().loggedIn();
}

// Returns tool::kOk, tool::kLoginFailed (3001), tool::kPinLocked (3003) or
// tool::kCancelledByUser (0x8010006E). `readerName` names the key to reopen.
uint32_t LoginForTool(DeviceSession& session, std::string_view readerName, LoginMode mode);

// What the provider's login needs of its context, filled in by the provider and read back.
struct ProviderLoginRequest {
  std::string readerName;  // in; upper-cased in place when the login checks it
  bool silent = false;     // the context may show no window: the login fails at once
  bool loggedIn = false;   // set when the PIN-entry library verified the PIN
  uint32_t error = 0;      // on failure: the code for the provider's last error
};

// True on success; false with request.error set to NTE_FAIL (no open session),
// NTE_SILENT_CONTEXT, SCARD_W_CANCELLED_BY_USER, SCARD_W_CHV_BLOCKED,
// SCARD_W_CARD_NOT_AUTHENTICATED or SCARD_W_UNKNOWN_CARD (the reader name is unusable or the key
// does not reopen).
bool LoginForProvider(ProviderLoginRequest& request, DeviceSession& session, LoginMode mode);

}  // namespace kq
