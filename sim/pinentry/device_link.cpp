#include "pinentry/device_link.h"

#include <chrono>
#include <thread>
#include <utility>

#include "common/codes_device.h"

namespace kq::sim {

namespace {

constexpr uint32_t kStateRequest = 4;
constexpr auto kPollPeriod = std::chrono::milliseconds(100);
constexpr uint32_t kMaxPolls = 0x10000;  // beyond any countdown a key can show

thread_local int64_t callsMade = 0;

template <typename Function>
void Resolve(const platform::DynamicLibrary& library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(library.Symbol(name));
}

}  // namespace

const DeviceLink& DeviceLink::Instance() {
  static const DeviceLink link = [] {
    DeviceLink made;
    made.library = platform::DynamicLibrary::Load(platform::SharedLibraryFileName("KQORV_Zantu"));
    if (made.library.loaded()) {
      Resolve(made.library, "ZANT_OpenDev", made.OpenDev);
      Resolve(made.library, "ZANT_CloseDev", made.CloseDev);
      Resolve(made.library, "ZANT_VerifyPIN", made.VerifyPIN);
      Resolve(made.library, "ZANT_ChangePIN", made.ChangePIN);
      Resolve(made.library, "ZANT_GetDevState", made.GetDevState);
      Resolve(made.library, "ZANT_GetData", made.GetData);
    }
    return made;
  }();
  return link;
}

void DeviceLink::CountCall() {
  ++callsMade;
}

int64_t DeviceLink::TakeCallCount() {
  return std::exchange(callsMade, 0);
}

bool DeviceLink::ready() const {
  return OpenDev != nullptr && CloseDev != nullptr && VerifyPIN != nullptr &&
         ChangePIN != nullptr && GetDevState != nullptr && GetData != nullptr;
}

uint32_t PinEntryStatus(uint32_t deviceStatus) {
  if (deviceStatus == dev::kOk) {
    return pinentry::kOk;
  }
  if (deviceStatus > 0xFFFF) {
    return deviceStatus == dev::kMissingOperation ? pinentry::kUnavailable
                                                  : 0xD0100000 | (deviceStatus & 0xFFFF);
  }
  return 0xD0100000 | deviceStatus;
}

uint32_t RunKeyWait(const DeviceLink& link, ZANT_HANDLE handle) {
  for (uint32_t poll = 0; poll < kMaxPolls; ++poll) {
    uint8_t state[32] = {};
    uint32_t length = sizeof state;
    DeviceLink::CountCall();
    if (link.GetDevState(handle, state, &length, kStateRequest) != dev::kOk || length < 1) {
      return pinentry::kEndedOnKey3;
    }
    switch (state[0]) {
      case dev::kStateWaiting:
        std::this_thread::sleep_for(kPollPeriod);
        continue;
      case dev::kStateOk: {
        uint8_t result[32] = {};
        uint32_t resultLength = sizeof result;
        DeviceLink::CountCall();
        return PinEntryStatus(link.GetData(handle, result, &resultLength, 0));
      }
      case dev::kStateCancelled:
        return pinentry::kEndedOnKey1;
      case dev::kStateTimedOut:
        return pinentry::kEndedOnKey2;
      case 0:
      case dev::kStateFailed:
        return pinentry::kEndedOnKey3;
      default:
        std::this_thread::sleep_for(kPollPeriod);  // states the key does not define: keep waiting
        continue;
    }
  }
  return pinentry::kEndedOnKey2;
}

}  // namespace kq::sim
