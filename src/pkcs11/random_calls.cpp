// Random numbers from the key's own generator.
#include <algorithm>

#include "pkcs11/call_frame.h"
#include "pkcs11/module_calls.h"

namespace kq::pkcs11 {

namespace {

constexpr CK_ULONG kLargestDraw = 1024;  // the most the key gives in one call

}  // namespace

CK_RV GenerateRandom(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length) {
  return RunOnSession(handle, [&](Module&, Session&, Slot& slot) -> CK_RV {
    if (data == nullptr && length != 0) {
      return CKR_ARGUMENTS_BAD;
    }
    DeviceSession device;
    if (length != 0) {
      if (const CK_RV opened = OpenTokenKey(slot, device); opened != CKR_OK) {
        return opened;
      }
    }
    for (CK_ULONG done = 0; done < length;) {
      const CK_ULONG draw = std::min(kLargestDraw, length - done);
      if (device.GetRandom(data + done, static_cast<uint32_t>(draw)) != 0) {
        return CKR_DEVICE_ERROR;
      }
      done += draw;
    }
    return CKR_OK;
  });
}

CK_RV SeedRandom(CK_SESSION_HANDLE handle, CK_BYTE_PTR /*seed*/, CK_ULONG /*length*/) {
  return RunOnSession(handle, [&](Module&, Session&, Slot&) -> CK_RV {
    return CKR_RANDOM_SEED_NOT_SUPPORTED;  // the key's generator takes no seed
  });
}

}  // namespace kq::pkcs11
