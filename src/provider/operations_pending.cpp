// Operations that need the key, the store and the hash classes; they report E_NOTIMPL until
// those are in place.
#include "common/codes_cryptoapi.h"
#include "provider/hash_operations.h"
#include "provider/key_operations.h"
#include "provider/provider_last_error.h"
#include "provider/provider_parameters.h"

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
KqBool CreateHashOn(ProviderContext&, uint32_t, KqHandle, uint32_t, KqHandle*) {
  return Fail(win::kENotImpl);
}
KqBool HashDataOn(ProviderContext& context, KqHandle hHash, const uint8_t*, uint32_t) {
  return Fail(context.FindHash(hHash) == nullptr ? win::kNteBadHash : win::kENotImpl);
}
KqBool SetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t, const uint8_t*,
                      uint32_t) {
  return Fail(context.FindHash(hHash) == nullptr ? win::kNteBadHash : win::kENotImpl);
}
KqBool GetHashParamOn(ProviderContext& context, KqHandle hHash, uint32_t, uint8_t*, uint32_t*,
                      uint32_t) {
  return Fail(context.FindHash(hHash) == nullptr ? win::kNteBadHash : win::kENotImpl);
}
KqBool DestroyHashOn(ProviderContext& context, KqHandle hHash) {
  return Fail(context.FindHash(hHash) == nullptr ? win::kNteBadHash : win::kENotImpl);
}
KqBool SignHashOn(ProviderContext&, KqHandle, uint32_t, uint8_t*, uint32_t*) {
  return Fail(win::kENotImpl);
}
KqBool VerifySignatureOn(ProviderContext&, KqHandle, const uint8_t*, uint32_t, KqHandle) {
  return Fail(win::kENotImpl);
}
KqBool GetProvParamOn(ProviderContext&, uint32_t, uint8_t*, uint32_t*, uint32_t) {
  return Fail(win::kENotImpl);
}
KqBool SetProvParamOn(ProviderContext&, uint32_t, const uint8_t*, uint32_t) {
  return Fail(win::kENotImpl);
}

}  // namespace kq::provider
