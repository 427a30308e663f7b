#pragma once
// The key entry points' work on a context: key pairs on the key, imported public keys and plain
// symmetric keys. Each sets ProviderLastError and returns TRUE or FALSE.

#include <cstdint>

#include "kqcsp.h"
#include "provider/provider_context.h"

namespace kq::provider {

KqBool GenKeyOn(ProviderContext& context, uint32_t algId, uint32_t flags, KqHandle* phKey);
KqBool GetUserKeyOn(ProviderContext& context, uint32_t keySpec, KqHandle* phUserKey);
KqBool DestroyKeyOn(ProviderContext& context, KqHandle hKey);
KqBool SetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t param, const uint8_t* data,
                     uint32_t flags);
KqBool GetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t param, uint8_t* data,
                     uint32_t* dataLength, uint32_t flags);
KqBool ExportKeyOn(ProviderContext& context, KqHandle hKey, KqHandle hExpKey, uint32_t blobType,
                   uint32_t flags, uint8_t* data, uint32_t* dataLength);
KqBool ImportKeyOn(ProviderContext& context, const uint8_t* data, uint32_t dataLength,
                   KqHandle hPubKey, uint32_t flags, KqHandle* phKey);

}  // namespace kq::provider
