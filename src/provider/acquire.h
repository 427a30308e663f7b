#pragma once
// A new context's acquisition: reads the caller's flags and container name, then opens, creates
// or deletes the container, or makes a verify context.

#include <cstdint>

#include "kqcsp.h"
#include "provider/provider_context.h"

namespace kq::provider {

// Writes the context's handle to *phProv before anything else; sets ProviderLastError.
KqBool Acquire(ProviderContext& context, KqHandle* phProv, const char* pszContainer,
               uint32_t flags);

}  // namespace kq::provider
