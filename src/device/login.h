#pragma once
// PIN login through the PIN-entry library. The caller's session is closed so the library has
// the key alone, and reopened by reader name after a verified PIN; the key is asked who it is
// before and after, so a key swapped while the PIN entry is up is never used (kKeyReplaced). Each
// wrong PIN is announced by the refresh-PIN broadcast and explained in a message box, and the PIN
// is asked again until the library answers anything but a wrong PIN. After a failed login the
// session is closed.

#include <cstdint>
#include <span>
#include <string>

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

// How a login ended. Every ending but kSuccess leaves the session closed.
enum class LoginOutcome {
  kSuccess,
  kNoSession,           // the session was not open: nothing was asked
  kCancelled,           // cancelled in the PIN entry, or ended there by a key button
  kWrongPin,            // LoginWithPin only: the given PIN was wrong (tries left announced)
  kLocked,              // the PIN is locked
  kFailed,              // any other PIN-entry failure
  kReaderNameUnusable,  // the refresh-PIN broadcast found no reader number in the name
  kReopenFailed,        // the PIN was verified but the key did not reopen
  kKeyReplaced,         // the reader no longer holds the session's key (nothing else was done)
};

struct LoginResult {
  LoginOutcome outcome = LoginOutcome::kFailed;
  bool pinVerified = false;  // the PIN-entry library verified the PIN (even if a later step failed)
};

// Whether the login upper-cases the reader name in place before each reader-name check.
enum class ReaderNameCase { kAsGiven, kUpperCase };

// Logs in on the open session; `readerName` names the key to reopen.
LoginResult Login(DeviceSession& session, std::string& readerName, LoginMode mode,
                  ReaderNameCase nameCase);

// Logs in with a PIN the caller holds: verified on the open session with the same broadcasts and
// message boxes as a login through the PIN entry, but asked once. The session stays open on every
// outcome.
LoginResult LoginWithPin(DeviceSession& session, std::string& readerName,
                         std::span<const char> pin);

}  // namespace kq
