#include "pkcs11/module_state.h"

#include <new>

#include "common/codes_device.h"
#include "device/readers.h"
#include "platform/process_id.h"

namespace kq::pkcs11 {

namespace {

// A child forked while another thread was inside a call (a button wait holds the lock for
// minutes) inherits the lock held by a thread it does not have, and maps that thread may have
// been changing. Its module starts as one never initialised; the parent's state is abandoned,
// not destroyed, because destroying a half-changed map or a held mutex is not safe.
void StartAfreshInForkedChild() {
  new (&Module::Instance()) Module();
}

}  // namespace

Module& Module::Instance() {
  static Module module;
  static const bool afreshInChildren = (platform::OnForkedChild(StartAfreshInForkedChild), true);
  static_cast<void>(afreshInChildren);
  return module;
}

bool Module::ready() const {
  return initialised && processId == platform::CurrentProcessId();
}

void Module::Reset() {
  sessions.clear();
  slots.clear();
  nextSession = 1;
  reportedPresence.clear();
  listed = false;
}

bool Module::SleepUnlessFinalized(std::chrono::milliseconds time) {
  ++sleepers;
  wake.wait_for(mutex, time, [this] { return !ready(); });
  --sleepers;
  wake.notify_all();
  return ready();
}

bool Module::RefreshSlots() {
  std::vector<std::string> readers;
  if (ListReaders(readers) != 0) {
    return false;
  }
  const bool firstListing = !listed;
  listed = true;
  for (Slot& slot : slots) {
    slot.present = false;
  }
  for (const std::string& reader : readers) {
    bool known = false;
    for (Slot& slot : slots) {
      if (slot.readerName == reader) {
        slot.present = known = true;
      }
    }
    if (!known) {
      slots.push_back({reader, true, false, {}, {}});
    }
  }
  for (CK_SLOT_ID id = 0; id < slots.size(); ++id) {
    if (!slots[id].present) {
      CloseSlotSessions(id);
    }
  }
  if (firstListing) {
    // Slot events are changes from what the application first saw.
    reportedPresence.clear();
    for (const Slot& slot : slots) {
      reportedPresence.push_back(slot.present);
    }
  }
  return true;
}

Slot* Module::FindSlot(CK_SLOT_ID id) {
  if (!listed) {
    RefreshSlots();  // a client that knows its slot id may skip C_GetSlotList
  }
  return id < slots.size() ? &slots[id] : nullptr;
}

Slot* Module::FindToken(CK_SLOT_ID id) {
  Slot* slot = FindSlot(id);
  return slot != nullptr && slot->present ? slot : nullptr;
}

CK_RV OpenTokenKey(const Slot& slot, DeviceSession& device) {
  const uint32_t status = device.Open(slot.readerName, slot.identity);
  if (status == dev::kKeyReplaced) {
    return CKR_DEVICE_REMOVED;
  }
  if (status != dev::kOk) {
    return CKR_DEVICE_ERROR;
  }
  if (!slot.identity.known()) {
    if (device.LearnIdentity() != dev::kOk) {
      return CKR_DEVICE_ERROR;
    }
    slot.identity = device.identity();
  }
  return CKR_OK;
}

void Module::CloseSlotSessions(CK_SLOT_ID id) {
  std::erase_if(sessions, [id](const auto& entry) { return entry.second.slot == id; });
  if (Slot* slot = FindSlot(id)) {
    slot->loggedIn = false;
    slot->objects.reset();
  }
}

bool Module::HasSessions(CK_SLOT_ID id) const {
  for (const auto& [handle, session] : sessions) {
    if (session.slot == id) {
      return true;
    }
  }
  return false;
}

}  // namespace kq::pkcs11
