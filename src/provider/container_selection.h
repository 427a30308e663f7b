#pragma once
// Which attached key a context works on.

#include <cstdint>
#include <string_view>

#include "provider/provider_context.h"

namespace kq::provider {

// Sets the context's readerName: the only key attached; else among the keys that open (and hold
// the container named by filter, when one is named) the only one, or the one the user chooses,
// whose identity the context then keeps. 0; NTE_FAIL when no key qualifies;
// SCARD_W_CANCELLED_BY_USER when the user cancels; NTE_SILENT_CONTEXT, with nothing shown, when
// the context is silent and the user would have to choose.
uint32_t SelectDevice(ProviderContext& context, std::string_view filter);

}  // namespace kq::provider
