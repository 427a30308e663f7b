// CPGetProvParam and CPSetProvParam: what the provider is and can do, the context's container and
// reader, the containers on the key, and the user PIN.
#include "provider/provider_parameters.h"
#include "provider/device_access.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "common/codes_device.h"
#include "device/info_answers.h"
#include "device/pin_verification.h"
#include "provider/algorithm_tables.h"
#include "provider/pin_state.h"
#include "provider/provider_last_error.h"
#include "store/containers.h"

namespace kq::provider {

namespace {

constexpr uint32_t kCryptFirst = 0x1;
constexpr std::string_view kProviderName = "KQCSP For ORV v2.0";
constexpr uint32_t kProviderVersion = 0x4B510101;
constexpr uint32_t kImplementationMixedRemovable = 11;
constexpr uint32_t kProvRsaFull = 1;
constexpr uint32_t kKeySpecBoth = 3;
constexpr uint32_t kKeySizeIncrement = 1024;
constexpr size_t kPinLength = 8;

enum ProvParam : uint32_t {
  kPpEnumAlgs = 1,
  kPpEnumContainers = 2,
  kPpImpType = 3,
  kPpName = 4,
  kPpVersion = 5,
  kPpContainer = 6,
  kPpKeysetSecDescr = 8,
  kPpProvType = 16,
  kPpKeyStorage = 17,
  kPpEnumAlgsEx = 22,
  kPpKeysetType = 27,
  kPpSigKeysizeInc = 34,
  kPpKeyxKeysizeInc = 35,
  kPpUniqueContainer = 36,
  kPpUseHardwareRng = 38,
  kPpKeySpec = 39,
  kPpSmartcardReader = 43,
  kPpClientHwnd = 1,
  kPpAdminPin = 31,
  kPpKeyExchangePin = 32,
  kPpSignaturePin = 33,
};

// The size protocol: a null buffer asks for the size; a short one is told the size and fails.
KqBool CopyOut(std::span<const uint8_t> value, uint8_t* data, uint32_t* dataLength) {
  const auto size = static_cast<uint32_t>(value.size());
  if (data == nullptr) {
    *dataLength = size;
    return Succeed();
  }
  const uint32_t room = *dataLength;
  *dataLength = size;
  if (room < size) {
    return Fail(win::kErrorMoreData);
  }
  std::memcpy(data, value.data(), value.size());
  return Succeed();
}

KqBool CopyNumber(uint32_t value, uint8_t* data, uint32_t* dataLength) {
  uint8_t bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  return CopyOut(bytes, data, dataLength);
}

// A name with its terminating zero; an empty name is not a value of the context.
KqBool CopyName(std::string_view name, uint8_t* data, uint32_t* dataLength) {
  if (name.empty()) {
    return Fail(win::kNteBadType);
  }
  std::string withZero(name);
  withZero.push_back('\0');
  return CopyOut({reinterpret_cast<const uint8_t*>(withZero.data()), withZero.size()}, data,
                 dataLength);
}

// One row of an algorithm table per call; the cursor moves only when a row is copied.
template <size_t N>
KqBool NextAlgorithm(uint32_t& cursor, std::array<uint8_t, N> (*record)(uint32_t), uint8_t* data,
                     uint32_t* dataLength, uint32_t flags) {
  if ((flags & kCryptFirst) != 0) {
    cursor = 0;
  }
  if (cursor >= kAlgorithmCount) {
    return Fail(win::kErrorNoMoreItems);
  }
  const std::array<uint8_t, N> row = record(cursor);
  const KqBool copied = CopyOut(row, data, dataLength);
  if (copied != 0 && data != nullptr) {
    ++cursor;
  }
  return copied;
}

// The names of the containers on the context's key, for CRYPT_FIRST.
uint32_t ListContextContainers(ProviderContext& context, std::vector<std::string>& names) {
  if (context.readerName.empty()) {
    return win::kNteFail;
  }
  DeviceSession session;
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
  }
  return store::ListContainerNames(session, names) == 0 ? 0 : win::kNteFail;
}

KqBool NextContainer(ProviderContext& context, uint8_t* data, uint32_t* dataLength,
                     uint32_t flags) {
  // The key is listed before the context's enumeration lock is taken: the key's lock may wait
  // for a PIN entry or a button whose window lets a bank tool call back into this context.
  std::vector<std::string> names;
  const uint32_t listed = flags == kCryptFirst ? ListContextContainers(context, names) : 0;
  const std::lock_guard<std::mutex> guard(context.enumerationLock);
  if (flags == kCryptFirst) {
    context.containerList.assign(names.begin(), names.end());  // empty after a failure
    if (listed != 0) {
      return Fail(listed);
    }
  }
  if (context.containerList.empty()) {
    return Fail(win::kErrorNoMoreItems);
  }
  const std::string& name = context.containerList.front();
  const auto size = static_cast<uint32_t>(name.size() + 1);
  if (data == nullptr) {
    *dataLength = size;
    return Succeed();
  }
  if (*dataLength < size) {
    *dataLength = size;
    return Fail(win::kErrorMoreData);
  }
  std::memcpy(data, name.c_str(), size);
  context.containerList.pop_front();
  return Succeed();
}

uint32_t VerifyPin(ProviderContext& context, const uint8_t* pin) {
  if (pin == nullptr) {
    return win::kNteFail;
  }
  // Never reads further than one byte past the only length accepted.
  if (strnlen(reinterpret_cast<const char*>(pin), kPinLength + 1) != kPinLength) {
    return win::kScardInvalidChv;
  }
  DeviceSession session;
  if (const uint32_t code = OpenContextKey(context, session); code != 0) {
    return code;
  }
  switch (VerifyPinOnKey(session, {reinterpret_cast<const char*>(pin), kPinLength}).outcome) {
    case PinCheck::kVerified:
      return 0;
    case PinCheck::kLocked:
      return win::kScardChvBlocked;
    case PinCheck::kWrongPin:
      return win::kScardWrongChv;
    default:
      return win::kNteFail;
  }
}

}  // namespace

KqBool GetProvParamOn(ProviderContext& context, uint32_t param, uint8_t* data, uint32_t* dataLength,
                      uint32_t flags) {
  if (dataLength == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  switch (param) {
    case kPpEnumAlgs: {
      const std::lock_guard<std::mutex> guard(context.enumerationLock);
      return NextAlgorithm(context.enumAlgsIndex, EnumAlgsRecord, data, dataLength, flags);
    }
    case kPpEnumAlgsEx: {
      const std::lock_guard<std::mutex> guard(context.enumerationLock);
      return NextAlgorithm(context.enumAlgsExIndex, EnumAlgsExRecord, data, dataLength, flags);
    }
    case kPpEnumContainers:
      return NextContainer(context, data, dataLength, flags);
    case kPpImpType:
      return CopyNumber(kImplementationMixedRemovable, data, dataLength);
    case kPpName:
      return CopyName(kProviderName, data, dataLength);
    case kPpVersion:
      return CopyNumber(kProviderVersion, data, dataLength);
    case kPpContainer:
    case kPpUniqueContainer:
      return CopyName(context.containerName, data, dataLength);
    case kPpKeysetSecDescr: {
      std::array<uint8_t, 40> descriptor{};
      descriptor[0] = 1;  // revision; no owner, group or access lists
      return CopyOut(descriptor, data, dataLength);
    }
    case kPpProvType:
      return CopyNumber(kProvRsaFull, data, dataLength);
    case kPpKeyStorage:
      return CopyNumber(1, data, dataLength);
    case kPpKeysetType:
      return CopyNumber(0, data, dataLength);
    case kPpSigKeysizeInc:
    case kPpKeyxKeysizeInc:
      return CopyNumber(kKeySizeIncrement, data, dataLength);
    case kPpUseHardwareRng:
      return data == nullptr && *dataLength == 0 ? Succeed() : Fail(win::kErrorInvalidParameter);
    case kPpKeySpec:
      return CopyNumber(kKeySpecBoth, data, dataLength);
    case kPpSmartcardReader:
      return CopyName(context.readerName, data, dataLength);
    default:
      return Fail(win::kNteBadType);
  }
}

KqBool SetProvParamOn(ProviderContext& context, uint32_t param, const uint8_t* data,
                      uint32_t /*flags*/) {
  switch (param) {
    case 0:
      return Succeed();
    case kPpClientHwnd:
    case kPpAdminPin:
      return Fail(win::kENotImpl);
    case kPpKeyExchangePin:
    case kPpSignaturePin: {
      SetProviderPinVerified(false);
      const uint32_t code = VerifyPin(context, data);
      if (code != 0) {
        return Fail(code);
      }
      SetProviderPinVerified(true);
      return Succeed();
    }
    default:
      return Fail(win::kNteBadType);
  }
}

}  // namespace kq::provider
