#include "tools/container_table.h"

#include "store/certificate_reading.h"
#include "store/container_record.h"
#include "store/containers.h"

namespace kq::tools {

namespace {
std::optional<std::vector<uint8_t>> CertificateOf(const DeviceSession& session, uint16_t fileId) {
  std::vector<uint8_t> der;
  if (!store::IsReferenceSet(fileId) || store::ReadCertificate(session, fileId, der) != 0) {
    return std::nullopt;
  }
  return der;
}
}  // namespace

bool ReadContainerNames(DeviceSession& session, std::vector<std::string>& names) {
  return store::ListContainerNames(session, names) == 0;
}

bool ReadContainerCertificates(DeviceSession& session, std::string_view name,
                               ContainerCertificates& certificates) {
  certificates = {};
  store::ContainerInfo container;
  if (store::FindContainer(session, name, container) != 0) {
    return false;
  }
  certificates.signature = CertificateOf(session, container.refs[store::kSignatureCertificate]);
  certificates.exchange = CertificateOf(session, container.refs[store::kExchangeCertificate]);
  return true;
}

}  // namespace kq::tools
