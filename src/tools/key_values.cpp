// The values a key computes for public keys it holds, and its identity data block.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/codes_device.h"
#include "common/codes_tools.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/public_key_list.h"
#include "tools/reader_walk.h"
#include "tools/signature_exports.h"

namespace kq::tools {

namespace {

constexpr uint32_t kKeyNumbers = 5;
constexpr uint8_t kUnassigned = 0xFF;
constexpr size_t kValueBytesPerItem = 400;  // what a size query reserves per listed key

struct ListedItem {
  ListedPublicKey key;
  std::vector<uint8_t> value;
  uint8_t keyNumber = kUnassigned;
};

struct DevicePublicKey {
  std::array<uint8_t, 1024> modulus{};
  uint32_t modulusLength = static_cast<uint32_t>(modulus.size());
  std::array<uint8_t, 128> exponent{};
  uint32_t exponentLength = static_cast<uint32_t>(exponent.size());
};

bool ReadDevicePublicKey(const DeviceSession& session, uint32_t keyNumber, DevicePublicKey& key) {
  uint32_t bits = 0;
  const uint32_t status =
      session.ReadRSAPub(keyNumber, &bits, key.modulus.data(), &key.modulusLength,
                         key.exponent.data(), &key.exponentLength, 0);
  key.modulusLength = std::min(key.modulusLength, static_cast<uint32_t>(key.modulus.size()));
  key.exponentLength = std::min(key.exponentLength, static_cast<uint32_t>(key.exponent.size()));
  return status == 0;
}

// Same modulus, and the exponents agree over the length of the shorter one (from the end).
bool SameKey(const ListedPublicKey& listed, const DevicePublicKey& device) {
  const std::span<const uint8_t> modulus(device.modulus.data(), device.modulusLength);
  if (!std::ranges::equal(listed.modulus, modulus)) {
    return false;
  }
  const std::span<const uint8_t> exponent(device.exponent.data(), device.exponentLength);
  const size_t n = std::min(listed.exponent.size(), exponent.size());
  return std::equal(listed.exponent.end() - static_cast<ptrdiff_t>(n), listed.exponent.end(),
                    exponent.end() - static_cast<ptrdiff_t>(n));
}

// Asks the key for the value of one of its keys; 0 or the export's status.
uint32_t ReadValue(const DeviceSession& session, uint32_t keyNumber, const void* callerData,
                   const DevicePublicKey& key, std::vector<uint8_t>& value) {
  std::array<uint8_t, 1024> buffer{};
  uint32_t length = static_cast<uint32_t>(buffer.size());
  const uint32_t status = session.GetPubSigVal(keyNumber, callerData, buffer.data(), &length);
  if (dev::StatusWord(status) == 0x6A81) {
    return tool::kNotSupported;
  }
  if (status != 0) {
    return status;
  }
  // For a 2048-bit key, bytes 130 to 305 of the value carry bytes 80 to 255 of the modulus.
  if (key.modulusLength == 256) {
    std::copy(key.modulus.begin() + 80, key.modulus.begin() + 256, buffer.begin() + 130);
  }
  value.assign(buffer.begin(), buffer.begin() + std::min<size_t>(length, buffer.size()));
  return 0;
}

uint32_t AssignValues(const DeviceSession& session, const void* callerData,
                      std::vector<ListedItem>& items) {
  for (uint32_t keyNumber = 1; keyNumber <= kKeyNumbers; ++keyNumber) {
    DevicePublicKey key;
    if (!ReadDevicePublicKey(session, keyNumber, key)) {
      continue;
    }
    for (ListedItem& item : items) {
      if (item.keyNumber != kUnassigned || !SameKey(item.key, key)) {
        continue;
      }
      if (const uint32_t status = ReadValue(session, keyNumber, callerData, key, item.value);
          status != 0) {
        return status;
      }
      item.keyNumber = static_cast<uint8_t>(keyNumber);
    }
    if (std::ranges::none_of(items,
                             [](const ListedItem& i) { return i.keyNumber == kUnassigned; })) {
      break;
    }
  }
  return 0;
}

}  // namespace

uint32_t GetPubKeySignValue(const void* callerData, const char* mediaId, const uint8_t* keyList,
                            int32_t listLength, uint8_t* output, int32_t* outputLength) {
  if (callerData == nullptr || !IsMediaId(mediaId) || keyList == nullptr || listLength < 1 ||
      outputLength == nullptr) {
    return tool::kInvalidArgument;
  }
  const ReaderList readers = ListReaderNames();
  if (const uint32_t status = ListingStatus(readers); status != 0) {
    return status;
  }
  if (listLength < 4) {
    return tool::kInvalidArgument;
  }
  const auto parsed = ParsePublicKeyList({keyList, static_cast<size_t>(listLength)});
  if (!parsed) {
    return tool::kMalformedData;
  }
  if (output == nullptr) {
    StoreLength(outputLength, kValueBytesPerItem * parsed->size());
    return tool::kOk;
  }
  DeviceSession session;
  if (!OpenReaderWithMediaId(readers, mediaId, SerialKind::kSerial, session)) {
    return tool::kMediaIdNotFound;
  }
  std::vector<ListedItem> items;
  for (const ListedPublicKey& key : *parsed) {
    items.push_back({key, {}, kUnassigned});
  }
  if (const uint32_t status = AssignValues(session, callerData, items); status != 0) {
    return status;
  }
  std::vector<uint8_t> text;
  for (const ListedItem& item : items) {
    if (item.keyNumber == kUnassigned || item.value.empty()) {
      return tool::kPublicKeyNotFound;
    }
    if (!text.empty()) {
      text.push_back('|');
      text.push_back('|');
    }
    text.insert(text.end(), item.value.begin(), item.value.end());
  }
  return DeliverBytes(text, output, outputLength, tool::kBufferTooSmall);
}

uint32_t GetIdValue(const char* mediaId, uint8_t* buffer, uint32_t* length) {
  if (!IsMediaId(mediaId) || length == nullptr) {
    return tool::kInvalidArgument;
  }
  const ReaderList readers = ListReaderNames();
  if (const uint32_t status = ListingStatus(readers); status != 0) {
    return status;
  }
  DeviceSession session;
  if (!OpenReaderWithMediaId(readers, mediaId, SerialKind::kSerial, session)) {
    return tool::kMediaIdNotFound;
  }
  const uint32_t status = session.ReadBirCert(buffer, length);
  if (status == 0) {
    return tool::kOk;
  }
  return status == dev::kBufferTooSmallBir ? tool::kBufferTooSmall : tool::kDeviceOperationFailed;
}

}  // namespace kq::tools
