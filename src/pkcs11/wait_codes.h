#pragma once
// How the module reports a confirmation on the key that ended without the operation: the same
// return values for every operation that waits for the key's button.

#include "pkcs11/pkcs11_types.h"
#include "ui/confirmation_wait.h"

namespace kq::pkcs11 {

inline constexpr ui::WaitCodes kButtonWaitCodes{CKR_DEVICE_ERROR, CKR_FUNCTION_CANCELED,
                                                CKR_KQ_CONFIRMATION_TIMEOUT, CKR_DEVICE_ERROR};

}  // namespace kq::pkcs11
