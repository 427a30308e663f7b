// Operations that need the key, the store and the hash classes; they report E_NOTIMPL until
// those are in place.
#include "common/codes_cryptoapi.h"
#include "provider/hash_operations.h"
#include "provider/key_operations.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

KqBool GenKeyOn(ProviderContext&, uint32_t, uint32_t, KqHandle*) {
  return Fail(win::kENotImpl);
}
KqBool GetUserKeyOn(ProviderContext&, uint32_t, KqHandle*) {
  return Fail(win::kENotImpl);
}
KqBool SetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t, const uint8_t*, uint32_t) {
  return Fail(context.FindKey(hKey) == nullptr ? win::kNteBadKey : win::kENotImpl);
}
KqBool GetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t, uint8_t*, uint32_t*,
                     uint32_t) {
  return Fail(context.FindKey(hKey) == nullptr ? win::kNteBadKey : win::kENotImpl);
}
KqBool ExportKeyOn(ProviderContext& context, KqHandle hKey, KqHandle, uint32_t, uint32_t, uint8_t*,
                   uint32_t*) {
  return Fail(context.FindKey(hKey) == nullptr ? win::kNteBadKey : win::kENotImpl);
}

}  // namespace kq::provider
