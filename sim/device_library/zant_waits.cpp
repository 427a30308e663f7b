// The state of a button wait, and the result of the operation that waited.

#include "common/codes_device.h"
#include "device/zant.h"
#include "device_library/device_operation.h"

using namespace kq;
using namespace kq::sim;

namespace {
constexpr uint32_t kStateRequest = 4;
constexpr uint32_t kStateSize = 3;
}  // namespace

extern "C" uint32_t ZANT_GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                     uint32_t request) {
  return RunOnKey("ZANT_GetDevState", handle, [&](OpenKey& open, KeyAccess& access) -> uint32_t {
    if (request != kStateRequest) {
      return dev::kSwIncorrectP1P2;
    }
    if (buffer == nullptr || length == nullptr) {
      return dev::kSwWrongData;
    }
    if (*length < kStateSize) {
      *length = kStateSize;
      return dev::kSwWrongLength;
    }
    // Byte 0: 0 when no operation waits, else 1 waiting, 2 OK, 3 C, 4 timed out, 5 failed;
    // bytes 1-2: tenths of a second left, big-endian.
    WaitPoll poll;
    if (open.wait) {
      poll = open.wait->Poll(access);
    }
    buffer[0] = poll.state;
    buffer[1] = static_cast<uint8_t>(poll.tenthsLeft >> 8);
    buffer[2] = static_cast<uint8_t>(poll.tenthsLeft);
    *length = kStateSize;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_GetData(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                 uint32_t kind) {
  return RunOnKey("ZANT_GetData", handle, [&](OpenKey& open, KeyAccess&) -> uint32_t {
    if (kind != 0 && kind != 5) {
      return dev::kSwIncorrectP1P2;
    }
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    if (!open.wait || !open.wait->ended() || !open.wait->result()) {
      return dev::kSwConditionsNotSatisfied;  // nothing has finished waiting
    }
    const WaitResult& result = *open.wait->result();
    if (result.data.empty()) {
      const uint32_t status = result.status;
      *length = 0;
      open.wait.reset();
      return status;
    }
    const uint32_t copied = CopyOut(result.data, buffer, length);
    if (copied != dev::kOk || buffer == nullptr) {
      return copied;  // a size query or a short buffer keeps the result for the next call
    }
    const uint32_t status = result.status;
    open.wait.reset();
    return status;
  });
}
