#pragma once
// The provider parameters: what the provider is and can do, the context's container and reader,
// the containers on the key, and the user PIN.

#include <cstdint>

#include "kqcsp.h"
#include "provider/provider_context.h"

namespace kq::provider {

KqBool GetProvParamOn(ProviderContext& context, uint32_t param, uint8_t* data, uint32_t* dataLength,
                      uint32_t flags);
KqBool SetProvParamOn(ProviderContext& context, uint32_t param, const uint8_t* data,
                      uint32_t flags);

}  // namespace kq::provider
