#pragma once
// The current user's personal certificate store ("MY"), where Windows programs (browsers for TLS
// client authentication, mail clients, signing tools) look for a user's certificates. Each
// certificate that the provider holds goes there with the key-provider property that names the
// provider, its type, the container and the key spec, so those programs sign through the
// provider. Only Windows has the store; elsewhere every operation answers
// kCertificateStoreUnsupported.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kq::platform {

inline constexpr uint32_t kCertificateStoreUnsupported = 50;  // ERROR_NOT_SUPPORTED

struct StoreKeyLink {
  std::string providerName;
  uint32_t providerType = 1;
  std::string container;
  uint32_t keySpec = 2;  // AT_SIGNATURE
};

struct StoredCertificate {
  std::string subject;  // as the store renders it, in UTF-8
  StoreKeyLink link;
};

// Adds the certificate (DER) to the store with its key link, or sets the link of the one already
// there when that one links to the same provider. An entry already there with no key link or a
// link to another provider is the user's own (a software copy linked to its key elsewhere): it is
// left as it is, its link (empty provider name when none) in `kept`. 0, or a Windows error code.
uint32_t AddUserCertificate(std::span<const uint8_t> der, const StoreKeyLink& link,
                            std::optional<StoreKeyLink>& kept);

// The store's certificates whose key link names the provider.
uint32_t ListUserCertificates(const std::string& providerName,
                              std::vector<StoredCertificate>& found);

// Deletes every certificate whose key link names the provider, whether or not its key still
// exists, and nothing else. The removed ones are appended to `removed`.
uint32_t RemoveUserCertificates(const std::string& providerName,
                                std::vector<StoredCertificate>& removed);

}  // namespace kq::platform
