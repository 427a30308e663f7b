#pragma once
// The hash entry points' work on a context: hash objects, signing on the key, verification on
// the host, random bytes. Each sets ProviderLastError and returns TRUE or FALSE.

#include <cstdint>

#include "kqcsp.h"
#include "provider/provider_context.h"

namespace kq::provider {

KqBool CreateHashOn(ProviderContext& context, uint32_t algId, KqHandle hKey, uint32_t flags,
                    KqHandle* phHash);
KqBool HashDataOn(ProviderContext& context, KqHandle hHash, const uint8_t* data,
                  uint32_t dataLength);
KqBool SetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t param, const uint8_t* data,
                      uint32_t flags);
KqBool GetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t param, uint8_t* data,
                      uint32_t* dataLength, uint32_t flags);
KqBool DestroyHashOn(ProviderContext& context, KqHandle hHash);
// Of the flags only CRYPT_NOHASHOID is examined (see hash_signing.cpp).
KqBool SignHashOn(ProviderContext& context, KqHandle hHash, uint32_t keySpec, uint32_t flags,
                  uint8_t* signature, uint32_t* signatureLength);
KqBool VerifySignatureOn(ProviderContext& context, KqHandle hHash, const uint8_t* signature,
                         uint32_t signatureLength, KqHandle hPubKey);
KqBool GenRandomOn(ProviderContext& context, uint32_t length, uint8_t* buffer);

}  // namespace kq::provider
