#include "ui/key_state.h"

#include <array>

#include "common/byte_reader.h"
#include "common/codes_device.h"
#include "device/device_library.h"

namespace kq::ui {

namespace {

constexpr uint32_t kStateRequest = 4;
constexpr uint32_t kStateBufferSize = 32;

uint32_t LibraryGetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                            uint32_t request) {
  return DeviceLibrary::Instance().GetDevState(handle, buffer, length, request);
}

uint32_t LibraryGetData(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind) {
  return DeviceLibrary::Instance().GetData(handle, buffer, length, kind);
}

}  // namespace

const KeyStateOps& DeviceLibraryKeyState() {
  static const KeyStateOps ops{LibraryGetDevState, LibraryGetData};
  return ops;
}

std::optional<KeyStateReading> ReadKeyState(const KeyStateOps& ops, ZANT_HANDLE device) {
  std::array<uint8_t, kStateBufferSize> buffer{};
  uint32_t length = kStateBufferSize;
  if (ops.getDevState == nullptr ||
      ops.getDevState(device, buffer.data(), &length, kStateRequest) != dev::kOk) {
    return std::nullopt;
  }
  // The buffer is ours and zeroed, so the state is read from it whatever length the library
  // reports, as the key's own tools do.
  ByteReader reader(buffer);
  KeyStateReading reading;
  if (!reader.u8(reading.state) || !reader.be16(reading.tenthsLeft)) {
    return std::nullopt;
  }
  return reading;
}

std::optional<WaitResult> ResultOfKeyState(uint8_t state) {
  switch (state) {
    case dev::kStateWaiting:
      return std::nullopt;
    case dev::kStateOk:
      return WaitResult::kConfirmed;
    case dev::kStateCancelled:
      return WaitResult::kCancelled;
    case dev::kStateTimedOut:
      return WaitResult::kTimedOut;
    case 0:
    case dev::kStateFailed:
      return WaitResult::kKeyError;
    default:
      // States the key does not define leave the decision to a later poll.
      return std::nullopt;
  }
}

platform::WaitStep PollKey(const KeyStateOps& ops, ZANT_HANDLE device) {
  const std::optional<KeyStateReading> reading = ReadKeyState(ops, device);
  if (!reading) {
    return EndWait(WaitResult::kKeyError);
  }
  if (const std::optional<WaitResult> result = ResultOfKeyState(reading->state)) {
    return EndWait(*result);
  }
  if (reading->state == dev::kStateWaiting) {
    return platform::WaitStep::Show(SecondsShown(reading->tenthsLeft));
  }
  return platform::WaitStep::Continue();
}

}  // namespace kq::ui
