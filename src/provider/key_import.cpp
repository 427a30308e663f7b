// CPImportKey: public keys (PUBLICKEYBLOB) and plain symmetric keys (PLAINTEXTKEYBLOB), which the
// provider keeps only to be inspected; session-key blobs and private keys are refused.
#include <algorithm>
#include <memory>
#include <span>

#include "common/byte_reader.h"
#include "common/codes_cryptoapi.h"
#include "provider/key_algorithms.h"
#include "provider/key_operations.h"
#include "provider/little_endian.h"
#include "provider/provider_last_error.h"

namespace kq::provider {

namespace {

constexpr uint8_t kBlobVersion = 2;
constexpr uint32_t kCryptExportable = 0x1;
constexpr uint32_t kCryptNoSalt = 0x10;
constexpr uint32_t kCryptIpsecHmacKey = 0x100;

struct BlobHeader {
  uint8_t type = 0;
  uint8_t version = 0;
  uint32_t algId = 0;
};

// PUBLICKEYBLOB: header, "RSA1", bit length, public exponent, modulus least significant byte first.
uint32_t ReadPublicKeyBlob(ByteReader& reader, const BlobHeader& header, KeyObject& key) {
  uint32_t magic = 0;
  uint32_t bitLength = 0;
  uint32_t exponent = 0;
  std::span<const uint8_t> modulus;
  // The magic is not examined; the record has room for 2048 bits.
  if (!ReadLe32(reader, magic) || !ReadLe32(reader, bitLength) || !ReadLe32(reader, exponent) ||
      bitLength > PublicKeyRecord::kModulusRoom * 8 || !reader.take(bitLength / 8, modulus)) {
    return win::kNteBadData;
  }
  if (header.algId == kCalgRsaKeyx) {
    key.keyFileId = kImportedKeyxFileId;
  } else if (header.algId == kCalgRsaSign) {
    key.keyFileId = kImportedSignFileId;
  } else {
    return win::kNteBadData;
  }
  PublicKeyRecord record;
  record.bits = bitLength;
  for (size_t i = 0; i < 4; ++i) {
    record.exponent[i] = static_cast<uint8_t>(exponent >> (8 * (3 - i)));
  }
  std::reverse_copy(modulus.begin(), modulus.end(), record.modulus.begin());
  key.kind = kKeyKindRsa;
  key.algId = header.algId;
  key.keyBits = bitLength;
  key.blockBits = bitLength;
  key.publicKey = record;
  return 0;
}

bool IsPlainKeyAlgorithm(uint32_t algId) {
  return algId == kCalgDes || algId == kCalgRc2 || algId == kCalg3Des || algId == kCalg3Des112 ||
         algId == kCalgRc4;
}

// PLAINTEXTKEYBLOB: header, key length, key bytes; the blob ends with the key.
uint32_t ReadPlainKeyBlob(ByteReader& reader, const BlobHeader& header, uint32_t flags,
                          KeyObject& key) {
  uint32_t keyLength = 0;
  std::span<const uint8_t> keyBytes;
  if (!ReadLe32(reader, keyLength) || reader.remaining() != keyLength ||
      (keyLength > 16 && (flags & kCryptIpsecHmacKey) == 0) || keyLength > 32 ||
      !IsPlainKeyAlgorithm(header.algId) || !reader.take(keyLength, keyBytes)) {
    return win::kNteBadData;
  }
  key.kind = kKeyKindSymmetric;
  key.algId = header.algId;
  key.padMode = 1;
  key.permissions = (flags & kCryptExportable) != 0 ? 31 : 19;
  if (header.algId != kCalgRc4) {
    key.blockBits = 64;
    key.mode = 1;
  }
  SymmetricKeyMaterial& material = key.material.emplace();
  std::copy(keyBytes.begin(), keyBytes.end(), material.key.begin());
  material.keyLength = keyLength;
  // A key shorter than the 5 bytes in front of the salt has no salt.
  material.saltLength = (flags & kCryptNoSalt) != 0 || keyLength < 5 ? 0 : keyLength - 5;
  if (header.algId == kCalgRc2) {
    material.effectiveKeyBits = 40;
  }
  return 0;
}

}  // namespace

KqBool ImportKeyOn(ProviderContext& context, const uint8_t* data, uint32_t dataLength,
                   KqHandle hPubKey, uint32_t flags, KqHandle* phKey) {
  if (phKey == nullptr) {
    return Fail(win::kNteInvalidParameter);
  }
  if (data == nullptr) {
    return Fail(win::kNteBadData);
  }
  ByteReader reader(std::span<const uint8_t>(data, dataLength));
  BlobHeader header;
  uint16_t reserved = 0;
  if (!reader.u8(header.type) || !reader.u8(header.version)) {
    return Fail(win::kNteBadData);
  }
  if (header.version != kBlobVersion) {
    return Fail(win::kNteBadVer);
  }
  if (!reader.be16(reserved) || !ReadLe32(reader, header.algId)) {
    return Fail(win::kNteBadData);
  }
  auto key = std::make_unique<KeyObject>();
  uint32_t code = 0;
  switch (header.type) {
    case kSimpleBlob:
      if (hPubKey == 0) {
        return Fail(win::kNteBadPublicKey);
      }
      {
        // The algorithm of the key the session key was encrypted with follows the header.
        uint32_t exchangeAlgId = 0;
        if (!ReadLe32(reader, exchangeAlgId)) {
          return Fail(win::kNteBadData);
        }
        return Fail(exchangeAlgId == kCalgRsaKeyx ? win::kENotImpl : win::kNteBadData);
      }
    case kPublicKeyBlob:
      code = ReadPublicKeyBlob(reader, header, *key);
      break;
    case kPrivateKeyBlob:
      return Fail(win::kENotImpl);
    case kPlainTextKeyBlob:
      code = ReadPlainKeyBlob(reader, header, flags, *key);
      break;
    default:
      return Fail(win::kNteBadData);
  }
  if (code != 0) {
    return Fail(code);
  }
  *phKey = context.AddKey(std::move(key));
  return Succeed();
}

}  // namespace kq::provider

namespace kq::provider {

// Only imported public keys go; a pair on the key and a symmetric key stay registered.
KqBool DestroyKeyOn(ProviderContext& context, KqHandle hKey) {
  const std::shared_ptr<const KeyObject> key = context.FindKey(hKey);
  if (key == nullptr) {
    return Fail(win::kNteBadKey);
  }
  if (key->keyFileId >= kImportedSignFileId) {
    context.EraseKey(hKey);
  }
  return Succeed();
}

}  // namespace kq::provider
