#pragma once
// Whether the last PIN verification through the provider parameters succeeded, for the whole
// process: a CALG_SSL3_SHAMD5 signature then reuses the key's login.

namespace kq::provider {

bool ProviderPinVerified();
void SetProviderPinVerified(bool verified);

}  // namespace kq::provider
