#pragma once
// The module's one process-wide state: whether C_Initialize ran (and in which process), the
// slots (one per reader the device library ever listed, in order of first sight), whether the
// application is logged in to each token, and the open sessions with their operations. One mutex
// guards it; every call holds it from start to end except C_WaitForSlotEvent's sleeps.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "crypto/hash_base.h"
#include "device/device_session.h"
#include "pkcs11/pkcs11_types.h"
#include "pkcs11/token_objects.h"

namespace kq::pkcs11 {

struct FindOperation {
  bool active = false;
  std::vector<CK_OBJECT_HANDLE> found;
  size_t next = 0;
};

struct SignOperation {
  bool active = false;
  bool updated = false;  // C_SignUpdate ran: only C_SignFinal may follow
  CK_MECHANISM_TYPE mechanism = 0;
  // The private key as C_SignInit found it. Handles name files, so a later listing may give this
  // handle to a pair enrolled since in the same files: the signature uses this object, and the
  // key must still hold its public key when it signs.
  TokenObject keyObject;
  std::vector<uint8_t> userId;        // SM2 over SM3
  std::unique_ptr<CHashBase> digest;  // the RSA hash-and-sign mechanisms
  std::vector<uint8_t> message;       // SM2 over SM3: the message, hashed at the end
};

struct Session {
  CK_SLOT_ID slot = 0;
  CK_FLAGS flags = 0;
  FindOperation find;
  SignOperation sign;
};

struct Slot {
  std::string readerName;
  bool present = false;
  bool loggedIn = false;
  std::optional<std::vector<TokenObject>> objects;  // as last read from the key; none: read again
  // The key the open sessions stay on: asked for when the slot's first session opens (or, had
  // that not happened, at the next use of the key).
  mutable KeyIdentity identity;
};

class Module {
 public:
  static Module& Instance();

  std::recursive_mutex mutex;
  bool initialised = false;
  uint32_t processId = 0;
  std::vector<Slot> slots;
  std::map<CK_SESSION_HANDLE, Session> sessions;
  CK_SESSION_HANDLE nextSession = 1;
  bool listed = false;                 // the readers were listed since C_Initialize
  std::vector<bool> reportedPresence;  // each slot's presence as C_WaitForSlotEvent last told it
  // C_WaitForSlotEvent's sleepers: C_Finalize wakes them and returns only once none is left in
  // the module, so the application may unload it.
  std::condition_variable_any wake;
  int sleepers = 0;

  // Initialised in this process (a forked child sees false until it initialises again).
  [[nodiscard]] bool ready() const;
  // Forgets every slot's login and objects and every session.
  void Reset();
  // Sleeps without the lock (held once on entry) for the time given or until C_Finalize; false
  // when the module was finalised meanwhile.
  bool SleepUnlessFinalized(std::chrono::milliseconds time);

  // Reads the reader list again: new readers get new slots, and each slot's presence is
  // updated (a key pulled out logs its token out and closes its sessions). False when the
  // device library cannot list.
  bool RefreshSlots();
  // The slot, or null when the id names none.
  Slot* FindSlot(CK_SLOT_ID id);
  // The slot of a present token; null otherwise.
  Slot* FindToken(CK_SLOT_ID id);
  // Closes every session of the slot; the last one logs the token out.
  void CloseSlotSessions(CK_SLOT_ID id);
  // Whether any session of the slot is open.
  [[nodiscard]] bool HasSessions(CK_SLOT_ID id) const;
};

// Ends the login on the key (its verified PIN) and in the module.
void LogOutToken(Slot& slot);

// Opens the slot's key for a session: CKR_OK; CKR_DEVICE_REMOVED when the reader now holds
// another key than the one the slot's sessions stay on (the session frame then closes them all);
// CKR_DEVICE_ERROR when it does not open or does not tell who it is.
CK_RV OpenTokenKey(const Slot& slot, DeviceSession& device);

}  // namespace kq::pkcs11
