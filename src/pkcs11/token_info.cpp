#include "pkcs11/token_info.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "device/device_session.h"
#include "device/info_answers.h"
#include "store/label_file.h"

namespace kq::pkcs11 {

namespace {

constexpr size_t kMediaIdLength = 12;
constexpr CK_ULONG kPinLength = 8;
constexpr const char* kManufacturer = "kqcsp";

std::string MediaId(const DeviceSession& session) {
  std::array<uint8_t, 16> serial{};
  uint32_t length = static_cast<uint32_t>(serial.size());
  if (session.GetDevSer(serial.data(), &length, 0) != 0) {
    return {};
  }
  const size_t size = std::min<size_t>({length, kMediaIdLength, serial.size()});
  std::string id(reinterpret_cast<const char*>(serial.data()), size);
  id.resize(strnlen(id.c_str(), id.size()));
  return id;
}

CK_FLAGS PinFlags(const DeviceSession& session) {
  const std::optional<PinInfo> pin = ReadPinInfo(session);
  if (!pin) {
    return 0;
  }
  if (pin->triesLeft == 0) {
    return CKF_USER_PIN_LOCKED;
  }
  CK_FLAGS flags = pin->triesLeft < pin->triesAllowed ? CKF_USER_PIN_COUNT_LOW : 0;
  return pin->triesLeft == 1 ? flags | CKF_USER_PIN_FINAL_TRY : flags;
}

}  // namespace

std::optional<PinInfo> ReadPinInfo(const DeviceSession& session) {
  std::array<uint8_t, 32> answer{};
  uint32_t length = static_cast<uint32_t>(answer.size());
  if (session.GetPINInfo(answer.data(), &length, 0) != 0) {
    return std::nullopt;
  }
  return DecodePinInfo(std::span(answer).first(std::min<size_t>(length, answer.size())));
}

void CopyPadded(std::string_view text, unsigned char* field, size_t size) {
  std::memset(field, ' ', size);
  std::memcpy(field, text.data(), std::min(size, text.size()));
}

void FillSlotInfo(const Slot& slot, CK_SLOT_INFO& info) {
  info = {};
  CopyPadded(slot.readerName, info.slotDescription, sizeof info.slotDescription);
  CopyPadded(kManufacturer, info.manufacturerID, sizeof info.manufacturerID);
  info.flags = CKF_REMOVABLE_DEVICE | CKF_HW_SLOT | (slot.present ? CKF_TOKEN_PRESENT : 0);
  info.hardwareVersion = {1, 0};
  info.firmwareVersion = {1, 0};
}

CK_RV FillTokenInfo(const Slot& slot, CK_TOKEN_INFO& info) {
  DeviceSession session;
  if (session.Open(slot.readerName) != 0) {
    return CKR_DEVICE_ERROR;
  }
  const std::string mediaId = MediaId(session);
  std::string label;
  if (store::ReadKeyLabel(session, label) != 0 || label.empty()) {
    label = "KQ " + mediaId;
  }
  info = {};
  CopyPadded(label, info.label, sizeof info.label);
  CopyPadded(kManufacturer, info.manufacturerID, sizeof info.manufacturerID);
  CopyPadded("USB key", info.model, sizeof info.model);
  CopyPadded(mediaId, info.serialNumber, sizeof info.serialNumber);
  info.flags = CKF_RNG | CKF_LOGIN_REQUIRED | CKF_USER_PIN_INITIALIZED | CKF_TOKEN_INITIALIZED |
               CKF_PROTECTED_AUTHENTICATION_PATH | PinFlags(session);
  info.ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
  info.ulSessionCount = CK_UNAVAILABLE_INFORMATION;
  info.ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
  info.ulRwSessionCount = CK_UNAVAILABLE_INFORMATION;
  info.ulMaxPinLen = kPinLength;
  info.ulMinPinLen = kPinLength;
  info.ulTotalPublicMemory = CK_UNAVAILABLE_INFORMATION;
  info.ulFreePublicMemory = CK_UNAVAILABLE_INFORMATION;
  info.ulTotalPrivateMemory = CK_UNAVAILABLE_INFORMATION;
  info.ulFreePrivateMemory = CK_UNAVAILABLE_INFORMATION;
  info.hardwareVersion = {1, 0};
  info.firmwareVersion = {1, 0};
  CopyPadded("", info.utcTime, sizeof info.utcTime);
  return CKR_OK;
}

}  // namespace kq::pkcs11
