#pragma once
// The registry facts behind the presence checks.

namespace kq::tools {

// HKLM\SOFTWARE\KQVN\Orvenia opens (the 64-bit view on a 64-bit system).
[[nodiscard]] bool ProductKeyPresent();

// HKLM\SOFTWARE\Microsoft\Cryptography\Defaults\Provider\KQCSP For ORV v2.0 opens and holds the
// values "Image Path", "Type" and "Signature".
[[nodiscard]] bool ProviderRegistered();

}  // namespace kq::tools
