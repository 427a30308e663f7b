// The store reading a key whose every answer comes from the input (fuzzed_device.cpp): container
// listing, key listing with certificates, and certificate reading.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/certificate_reading.h"
#include "store/containers.h"
#include "store/key_listing.h"

extern "C" void FuzzedDeviceAnswers(const uint8_t* data, size_t size);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDeviceAnswers(data, size);
  kq::DeviceSession session;
  if (session.Open("ORV ZANTULDCCID 0") != 0) {
    return 0;
  }
  std::vector<kq::store::ContainerInfo> containers;
  if (kq::store::ListContainers(session, containers) == 0) {
    for (const kq::store::ContainerInfo& container : containers) {
      std::vector<uint8_t> der;
      (void)kq::store::ReadContainerCertificate(session, container.name, 2, der);
    }
  }
  std::vector<kq::store::KeyListEntry> keys;
  (void)kq::store::ListKeysWithCertificates(session, keys);
  return 0;
}
