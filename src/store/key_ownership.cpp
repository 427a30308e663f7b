#include "store/key_ownership.h"

#include <algorithm>
#include <vector>

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/device_files.h"
#include "store/object_file.h"

namespace kq::store {

uint32_t ReadObjectOwnership(const DeviceSession& session, uint16_t fileId,
                             std::string_view containerName, Ownership& ownership,
                             AttributeTemplate& object) {
  ownership = Ownership::kForeign;
  uint32_t length = 0;
  if (const uint32_t status = FileLength(session, fileId, length); status != 0) {
    if (dev::StatusWord(status) == dev::kSwFileNotFound) {
      ownership = Ownership::kGone;
      return kOk;
    }
    return kDeviceFailed;
  }
  AttributeTemplate read;
  if (const uint32_t status = ReadObject(session, fileId, length, read); status != 0) {
    return status;
  }
  const std::vector<uint8_t>* name = read.Bytes(attr::kContainerName);
  if (name != nullptr && std::ranges::equal(*name, containerName, [](uint8_t byte, char c) {
        return byte == static_cast<uint8_t>(c);
      })) {
    ownership = Ownership::kOwned;
    object = std::move(read);
  }
  return kOk;
}

uint32_t ReadSlotKey(const DeviceSession& session, uint8_t keyNumber,
                     std::optional<DevicePublicKey>& key) {
  key.reset();
  uint32_t bits = 0;
  uint32_t flags = 0;
  if (const uint32_t status = session.GetKeyInfo(keyNumber, &bits, &flags); status != 0) {
    return dev::StatusWord(status) == dev::kSwKeyNotFound ? kOk : kDeviceFailed;
  }
  DevicePublicKey read;
  if (const uint32_t status = ReadSlotPublicKey(session, keyNumber, read); status != 0) {
    return status;
  }
  key = std::move(read);
  return kOk;
}

bool StatesKey(const AttributeTemplate& publicKeyObject) {
  const std::vector<uint8_t>* modulus = publicKeyObject.Bytes(attr::kModulus);
  const std::vector<uint8_t>* point = publicKeyObject.Bytes(attr::kEcPoint);
  return (modulus != nullptr && !modulus->empty()) || (point != nullptr && !point->empty());
}

bool IsKeyOfObject(const DevicePublicKey& deviceKey, const AttributeTemplate& publicKeyObject) {
  const std::vector<uint8_t>* modulus = publicKeyObject.Bytes(attr::kModulus);
  const std::vector<uint8_t>* point = publicKeyObject.Bytes(attr::kEcPoint);
  if (!StatesKey(publicKeyObject)) {
    return false;  // an object that states no key proves no key its own
  }
  std::vector<uint8_t> expected;
  if (deviceKey.bits == 256) {
    expected = deviceKey.first;
    expected.insert(expected.end(), deviceKey.second.begin(), deviceKey.second.end());
  } else {
    const size_t used = std::min<size_t>(deviceKey.first.size(), deviceKey.bits / 8);
    expected.assign(deviceKey.first.begin(), deviceKey.first.begin() + static_cast<long>(used));
  }
  const std::vector<uint8_t>* stated = deviceKey.bits == 256 ? point : modulus;
  return stated != nullptr && !expected.empty() && *stated == expected;
}

}  // namespace kq::store
