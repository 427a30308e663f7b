#pragma once
// The certificate of a key pair, kept on the key beside the pair in the context's container.

#include <cstdint>
#include <vector>

#include "provider/key_object.h"
#include "provider/provider_context.h"

namespace kq::provider {

// Reads the certificate of the key's pair (the signature pair for CALG_RSA_SIGN, else the
// exchange pair): 0, NTE_FAIL, or SCARD_W_REMOVED_CARD when the context's key is gone.
uint32_t ReadKeyCertificate(ProviderContext& context, const KeyObject& key,
                            std::vector<uint8_t>& der);

// Stores a DER certificate for the key's pair after checking it was issued by another key. The
// certificate's length comes from its outer DER header. 0, NTE_BAD_DATA, NTE_FAIL, or the login's
// code.
uint32_t WriteKeyCertificate(ProviderContext& context, const KeyObject& key,
                             const uint8_t* certificate);

}  // namespace kq::provider
