#include "platform/certificate_store.h"

namespace kq::platform {

uint32_t AddUserCertificate(std::span<const uint8_t> /*der*/, const StoreKeyLink& /*link*/,
                            std::optional<StoreKeyLink>& /*kept*/) {
  return kCertificateStoreUnsupported;
}

uint32_t ListUserCertificates(const std::string& /*providerName*/,
                              std::vector<StoredCertificate>& /*found*/) {
  return kCertificateStoreUnsupported;
}

uint32_t RemoveUserCertificates(const std::string& /*providerName*/,
                                std::vector<StoredCertificate>& /*removed*/) {
  return kCertificateStoreUnsupported;
}

}  // namespace kq::platform
