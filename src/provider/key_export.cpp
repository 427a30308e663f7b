// CPExportKey (PUBLICKEYBLOB of a pair on the key) and CPGetUserKey (a container's pair).
#include <algorithm>
#include <memory>

#include "common/codes_cryptoapi.h"
#include "provider/device_access.h"
#include "provider/key_algorithms.h"
#include "provider/key_operations.h"
#include "provider/little_endian.h"
#include "provider/provider_last_error.h"
#include "store/public_key_object.h"

namespace kq::provider {

namespace {

constexpr uint32_t kRsa1Magic = 0x31415352;  // "RSA1"
constexpr uint32_t kBlobHeaderSize = 20;
constexpr uint32_t kLastDeviceFileId = 0xFFFE;

}  // namespace

KqBool ExportKeyOn(ProviderContext& context, KqHandle hKey, KqHandle hExpKey, uint32_t blobType,
                   uint32_t /*flags*/, uint8_t* data, uint32_t* dataLength) {
  const std::shared_ptr<const KeyObject> key = context.FindKey(hKey);
  if (key == nullptr) {
    return Fail(win::kNteBadKey);
  }
  if (blobType == kPrivateKeyBlob) {
    return Fail(win::kNteBadData);
  }
  if (blobType != kPublicKeyBlob) {
    return Fail(win::kNteBadType);
  }
  // Only pairs on the key are exported; imported public keys and symmetric keys are not.
  if (hExpKey != 0 || key->kind != kKeyKindRsa || key->keyFileId == 0 ||
      key->keyFileId > kLastDeviceFileId || !key->publicKey) {
    return Fail(win::kNteBadKey);
  }
  if (dataLength == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  const PublicKeyRecord& record = *key->publicKey;
  const std::span<const uint8_t> modulus = record.ModulusBytes();
  const auto size = static_cast<uint32_t>(modulus.size() + kBlobHeaderSize);
  if (data == nullptr) {
    *dataLength = size;
    return Succeed();
  }
  if (*dataLength < size) {
    *dataLength = size;
    return Fail(win::kErrorMoreData);
  }
  data[0] = kPublicKeyBlob;
  data[1] = 2;  // version
  data[2] = 0;
  data[3] = 0;
  // Signature keys too are described as CALG_RSA_KEYX, as callers have always received them.
  WriteLe32(data + 4, kCalgRsaKeyx);
  WriteLe32(data + 8, kRsa1Magic);
  WriteLe32(data + 12, record.bits);
  const uint32_t exponent = (uint32_t{record.exponent[0]} << 24) |
                            (uint32_t{record.exponent[1]} << 16) |
                            (uint32_t{record.exponent[2]} << 8) | uint32_t{record.exponent[3]};
  WriteLe32(data + 16, exponent);
  std::reverse_copy(modulus.begin(), modulus.end(), data + kBlobHeaderSize);
  *dataLength = size;
  return Succeed();
}

KqBool GetUserKeyOn(ProviderContext& context, uint32_t keySpec, KqHandle* phUserKey) {
  if (phUserKey == nullptr) {
    return Fail(win::kNteInvalidParameter);
  }
  DeviceSession session;
  store::ContainerInfo container;
  if (const uint32_t code = OpenContainer(context, session, container, win::kNteBadKeyset);
      code != 0) {
    return Fail(code);
  }
  if (keySpec != kAtKeyExchange && keySpec != kAtSignature) {
    return Fail(win::kNteBadType);
  }
  const uint16_t fileId = container.refs[store::PairOfKeySpec(keySpec).publicKey];
  if (!store::IsReferenceSet(fileId)) {
    return Fail(win::kNteNoKey);
  }
  uint8_t keyNumber = 0xFF;
  PublicKeyRecord record;
  if (store::ReadPublicKeyRecord(session, fileId, keyNumber, record) != 0) {
    return Fail(win::kNteBadType);
  }
  auto key = std::make_unique<KeyObject>();
  key->kind = kKeyKindRsa;
  key->algId = keySpec == kAtKeyExchange ? kCalgRsaKeyx : kCalgRsaSign;
  key->keyFileId = fileId;
  key->keyBits = record.bits;
  key->blockBits = record.bits;
  key->publicKey = record;
  *phUserKey = context.AddKey(std::move(key));
  return Succeed();
}

}  // namespace kq::provider
