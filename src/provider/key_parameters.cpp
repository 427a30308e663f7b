// CPGetKeyParam and CPSetKeyParam: the key object's values, and the certificate of the key pair's
// container on the key.
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "common/secret.h"
#include "device/device_session.h"
#include "provider/key_algorithms.h"
#include "provider/key_certificate.h"
#include "provider/key_operations.h"
#include "provider/little_endian.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

namespace {

enum KeyParam : uint32_t {
  kKpIv = 1,
  kKpSalt = 2,
  kKpPadding = 3,
  kKpMode = 4,
  kKpModeBits = 5,
  kKpPermissions = 6,
  kKpAlgId = 7,
  kKpBlockLen = 8,
  kKpKeyLen = 9,
  kKpSaltEx = 10,
  kKpEffectiveKeyLen = 19,
  kKpCertificate = 26,
};

constexpr uint32_t kReportedPermissions = 0x8B;
constexpr uint32_t kSaltOffset = 5;  // the salt follows the key's first five bytes

size_t IvLength(const KeyObject& key) {
  return std::min<size_t>(key.blockBits / 8, key.iv.size());
}

SecretBytes Number(uint32_t value) {
  SecretBytes bytes(4);
  WriteLe32(bytes.data(), value);
  return bytes;
}

uint32_t ReadNumber(const uint8_t* data) {
  ByteReader reader({data, 4});
  uint32_t value = 0;
  (void)ReadLe32(reader, value);
  return value;
}

// The value of a parameter and whether a successful copy reports its size; 0 or a code. The value
// is a wiping buffer because the salt is key material.
uint32_t KeyValue(ProviderContext& context, const KeyObject& key, uint32_t param,
                  SecretBytes& value, bool& reportsSize) {
  reportsSize = true;
  switch (param) {
    case kKpIv:
      if (key.kind == kKeyKindRsa) {
        return win::kNteBadKey;
      }
      value = SecretBytes(key.iv.data(), IvLength(key));
      reportsSize = false;
      return 0;
    case kKpSalt: {
      if (key.kind != kKeyKindSymmetric || !key.material) {
        return win::kNteBadKey;
      }
      const SymmetricKeyMaterial& m = *key.material;
      const size_t salt = std::min(m.saltLength, m.keyLength);
      value = SecretBytes(m.key.data() + (m.keyLength - salt), salt);
      reportsSize = false;
      return 0;
    }
    case kKpPadding:
      value = Number(key.padMode);
      return 0;
    case kKpMode:
      value = Number(key.mode);
      return 0;
    case kKpModeBits:
      if (key.kind != kKeyKindRsa || !key.publicKey) {
        return win::kNteBadKey;
      }
      value = Number(key.publicKey->bits);
      reportsSize = false;
      return 0;
    case kKpPermissions:
      value = Number(kReportedPermissions);
      return 0;
    case kKpAlgId:
      value = Number(key.algId);
      return 0;
    case kKpBlockLen:
      value = Number(key.blockBits);
      return 0;
    case kKpKeyLen:
      value = Number(key.keyBits);
      return 0;
    case kKpEffectiveKeyLen:
      if (key.algId != kCalgRc2 || !key.material) {
        return win::kNteBadKey;
      }
      value = Number(key.material->effectiveKeyBits);
      reportsSize = false;
      return 0;
    case kKpCertificate: {
      if (key.kind != kKeyKindRsa) {
        return win::kNteBadKey;
      }
      std::vector<uint8_t> certificate;
      const uint32_t code = ReadKeyCertificate(context, key, certificate);
      value = SecretBytes(certificate.data(), certificate.size());
      return code;
    }
    default:
      return win::kNteBadType;
  }
}

// CRYPT_DATA_BLOB as callers lay it out.
struct DataBlob {
  uint32_t length;
  const uint8_t* bytes;
};

uint32_t SetSymmetricValue(KeyObject& key, uint32_t param, const uint8_t* data) {
  if (key.kind != kKeyKindSymmetric || !key.material) {
    return win::kNteBadKey;
  }
  SymmetricKeyMaterial& m = *key.material;
  switch (param) {
    case kKpSalt:
      if (m.keyLength > kSaltOffset) {
        std::memcpy(m.key.data() + kSaltOffset, data, m.keyLength - kSaltOffset);
      }
      return 0;
    case kKpMode: {
      const uint32_t mode = ReadNumber(data);
      if (mode != 1 && mode != 2) {
        return win::kErrorInvalidParameter;
      }
      key.mode = mode;
      return 0;
    }
    default: {  // kKpSaltEx
      DataBlob blob{};
      std::memcpy(&blob, data, sizeof blob);
      if (blob.length > m.keyLength || (blob.bytes == nullptr && blob.length != 0)) {
        return win::kErrorInvalidParameter;
      }
      std::memcpy(m.key.data() + (m.keyLength - blob.length), blob.bytes, blob.length);
      return 0;
    }
  }
}

}  // namespace

KqBool GetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t param, uint8_t* data,
                     uint32_t* dataLength, uint32_t /*flags*/) {
  const std::shared_ptr<const KeyObject> key = context.FindKey(hKey);
  if (key == nullptr) {
    return Fail(win::kNteBadKey);
  }
  if (dataLength == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  SecretBytes value;
  bool reportsSize = true;
  if (const uint32_t code = KeyValue(context, *key, param, value, reportsSize); code != 0) {
    return Fail(code);
  }
  const auto size = static_cast<uint32_t>(value.size());
  if (data == nullptr || *dataLength < size) {
    *dataLength = size;
    return data == nullptr ? Succeed() : Fail(win::kErrorMoreData);
  }
  std::copy_n(value.data(), value.size(), data);
  if (reportsSize) {
    *dataLength = size;
  }
  return Succeed();
}

KqBool SetKeyParamOn(ProviderContext& context, KqHandle hKey, uint32_t param, const uint8_t* data,
                     uint32_t /*flags*/) {
  const std::shared_ptr<KeyObject> key = context.FindKey(hKey);
  if (key == nullptr) {
    return Fail(win::kNteBadKey);
  }
  if (param == kKpModeBits) {
    return Succeed();
  }
  if (param == kKpCertificate) {
    if (key->kind != kKeyKindRsa) {
      return Fail(win::kNteBadKey);
    }
    const uint32_t code = WriteKeyCertificate(context, *key, data);
    return code == 0 ? Succeed() : Fail(code);
  }
  uint32_t code = 0;
  switch (param) {
    case kKpIv:
    case kKpSalt:
    case kKpPadding:
    case kKpMode:
    case kKpPermissions:
    case kKpSaltEx:
    case kKpEffectiveKeyLen:
      break;
    default:
      return Fail(win::kNteBadKey);
  }
  if (data == nullptr) {
    return Fail(win::kErrorInvalidParameter);
  }
  switch (param) {
    case kKpIv:
      if (key->mode != 1) {
        return Fail(win::kNteBadKey);
      }
      std::memcpy(key->iv.data(), data, IvLength(*key));
      break;
    case kKpPadding:
      key->padMode = ReadNumber(data);
      break;
    case kKpPermissions:
      key->permissions |= ReadNumber(data);
      break;
    case kKpEffectiveKeyLen: {
      if (key->algId != kCalgRc2 || !key->material) {
        return Fail(win::kNteBadKey);
      }
      const uint32_t bits = ReadNumber(data);
      if (bits < 40 || bits > 128) {
        return Fail(win::kErrorInvalidParameter);
      }
      key->material->effectiveKeyBits = bits;
      break;
    }
    default:
      code = SetSymmetricValue(*key, param, data);
  }
  return code == 0 ? Succeed() : Fail(code);
}

}  // namespace kq::provider
