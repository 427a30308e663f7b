// The key blobs of CPImportKey, imported into a context of their own and read back.
#include <cstddef>
#include <cstdint>

#include "provider/key_operations.h"
#include "provider/provider_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) {
    return 0;
  }
  constexpr uint32_t kKpKeyLength = 9;
  constexpr uint32_t kKpAlgId = 7;
  kq::provider::ProviderContext context(1);
  // The flags come from the input too, so that every flag check is reached.
  const uint32_t flags = size > 0 ? data[size - 1] : 0;
  KqHandle key = 0;
  if (kq::provider::ImportKeyOn(context, data, static_cast<uint32_t>(size), 0, flags, &key)) {
    for (const uint32_t param : {kKpKeyLength, kKpAlgId}) {
      uint8_t value[4] = {};
      uint32_t length = sizeof value;
      (void)kq::provider::GetKeyParamOn(context, key, param, value, &length, 0);
    }
    (void)kq::provider::DestroyKeyOn(context, key);
  }
  return 0;
}
