#include "store/device_keys.h"

#include "common/codes_cryptoapi.h"
#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/deletion_confirmation.h"

namespace kq::store {

uint32_t ListDeviceKeys(const DeviceSession& session, std::vector<KeyListEntry>& keys) {
  keys.clear();
  for (uint8_t keyNumber = kFirstKeyNumber; keyNumber <= kLastKeyNumber; ++keyNumber) {
    uint32_t bits = 0;
    uint32_t flags = 0;
    const uint32_t status = session.GetKeyInfo(keyNumber, &bits, &flags);
    if (dev::StatusWord(status) == dev::kSwKeyNotFound) {
      continue;
    }
    if (status != 0) {
      keys.clear();
      return kListingFailed;
    }
    KeyListEntry entry;
    entry.keyNumber = keyNumber;
    entry.keyBits = bits;
    entry.algorithm = static_cast<uint8_t>(flags & 0xF);
    entry.deviceUsage = static_cast<uint8_t>(((flags >> 4) & 0xF) + 1);
    keys.push_back(std::move(entry));
  }
  return kOk;
}

uint32_t DeleteDeviceKeyPair(const DeviceSession& session, uint32_t keyNumber) {
  const uint32_t status = session.DeleteRSAKey(keyNumber, 0);
  if (status == 0 || dev::StatusWord(status) == dev::kSwKeyNotFound) {
    return kOk;
  }
  if (!dev::IsButtonWait(status)) {
    return win::kNteFail;
  }
  return ConfirmOnKey(session, kWaitKeyDeletion);
}

}  // namespace kq::store
