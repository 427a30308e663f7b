#pragma once
// What C_GetSlotInfo and C_GetTokenInfo report, read from the key.

#include <optional>

#include "device/info_answers.h"
#include "pkcs11/module_state.h"

namespace kq::pkcs11 {

// Copies text into a blank-padded, unterminated PKCS #11 field, cut to fit.
// The key's PIN state, or nothing when it cannot tell.
std::optional<PinInfo> ReadPinInfo(const DeviceSession& session);

void CopyPadded(std::string_view text, unsigned char* field, size_t size);

void FillSlotInfo(const Slot& slot, CK_SLOT_INFO& info);
// Reads label, serial number and PIN state; CKR_DEVICE_ERROR when the key cannot be asked.
CK_RV FillTokenInfo(const Slot& slot, CK_TOKEN_INFO& info);

}  // namespace kq::pkcs11
