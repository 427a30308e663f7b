#include "tools/request_signing.h"

#include <algorithm>
#include <array>

#include "common/codes_tools.h"
#include "crypto/hash_alg.h"
#include "crypto/hash_classes.h"
#include "crypto/sm2_prepare.h"
#include "pki/base64.h"
#include "pki/certification_request.h"

namespace kq::tools {

namespace {

namespace code = tool::pkcs10;

// The hash number the key's signing operation receives for each request hash.
std::optional<HashAlg> DeviceHashOf(RequestHash hash) {
  switch (hash) {
    case RequestHash::kMd5:
      return HashAlg::kMd5;
    case RequestHash::kSha1:
      return HashAlg::kSha1;
    case RequestHash::kSha256:
      return HashAlg::kSha256;
    case RequestHash::kSha384:
      return HashAlg::kSha384;
    case RequestHash::kSha512:
      return HashAlg::kSha512;
    case RequestHash::kSm3:
      return HashAlg::kSm3;
  }
  return std::nullopt;
}

bool IsSm2(const CertificateRequestRecord& record) {
  return record.keyType == RequestKeyType::kSm2;
}

uint32_t EncodePublicKey(const CertificateRequestRecord& record, const NewPublicKey& key,
                         ByteVector& info) {
  if (IsSm2(record)) {
    ByteVector point(key.first.begin(), key.first.end());
    point.insert(point.end(), key.second.begin(), key.second.end());
    return EncodeSm2PublicKeyInfo(point.data(), point.size(), info) == 0
               ? 0
               : code::kEncodeSm2KeyFailed;
  }
  return EncodeRsaPublicKeyInfo(key.first.data(), key.first.size(), key.second.data(),
                                key.second.size(), info) == 0
             ? 0
             : code::kEncodeRsaKeyFailed;
}

// The digest the key signs: the request body's hash, or for SM3 e = SM3(Z || body).
uint32_t DigestOfBody(const CertificateRequestRecord& record, const NewPublicKey& key,
                      const ByteVector& body, HashAlg alg,
                      std::array<uint8_t, kMaxHashDigestSize>& digest, uint32_t& digestLength) {
  if (alg == HashAlg::kSm3) {
    if (key.first.size() < kSm2CoordinateSize || key.second.size() < kSm2CoordinateSize) {
      return code::kBadHash;
    }
    const Sm3Digest e = Sm2MessageDigest(
        std::span<const uint8_t, kSm2CoordinateSize>(key.first.data(), kSm2CoordinateSize),
        std::span<const uint8_t, kSm2CoordinateSize>(key.second.data(), kSm2CoordinateSize), body);
    std::copy(e.begin(), e.end(), digest.begin());
    digestLength = static_cast<uint32_t>(e.size());
    return 0;
  }
  (void)record;
  const auto engine = CreateHashEngine(alg);
  if (!engine) {
    return code::kBadHash;
  }
  engine->Update(body.data(), static_cast<uint32_t>(body.size()));
  engine->Final(digest.data());
  digestLength = engine->GetDigestSize();
  return 0;
}

uint32_t EncodeSignatureValue(const CertificateRequestRecord& record,
                              std::span<const uint8_t> signature, ByteVector& value) {
  if (IsSm2(record)) {
    if (signature.size() < 2 * kSm2CoordinateSize) {
      return code::kEncodeSm2SignatureFailed;
    }
    return EncodeSm2Signature(signature.data(), signature.data() + kSm2CoordinateSize, value) == 0
               ? 0
               : code::kEncodeSm2SignatureFailed;
  }
  return EncodeRsaSignature(signature.data(), signature.size(), value) == 0
             ? 0
             : code::kEncodeRsaSignatureFailed;
}

// The largest parts that a key of the record's type returns. Larger answers are refused, so that
// the size that RequestTextBound gives before any key is generated always holds. An RSA public
// exponent is smaller than the modulus.
struct PartLimits {
  size_t first;      // RSA modulus, SM2 X
  size_t second;     // RSA exponent, SM2 Y
  size_t signature;  // RSA signature block, SM2 r || s
};

PartLimits LimitsOf(RequestKeyType type) {
  switch (type) {
    case RequestKeyType::kRsa1024:
      return {128, 128, 128};
    case RequestKeyType::kRsa2048:
      return {256, 256, 256};
    case RequestKeyType::kSm2:
      break;
  }
  return {kSm2CoordinateSize, kSm2CoordinateSize, 2 * kSm2CoordinateSize};
}

uint32_t EncodeBody(const CertificateRequestRecord& record, const NewPublicKey& key,
                    ByteVector& body) {
  ByteVector subject;
  if (EncodeSubjectName(record.components, subject) != 0) {
    return code::kEncodeSubjectFailed;
  }
  ByteVector publicKeyInfo;
  if (const uint32_t status = EncodePublicKey(record, key, publicKeyInfo); status != 0) {
    return status;
  }
  return EncodeRequestInfo(subject, publicKeyInfo, body) == 0 ? 0 : code::kEncodeRequestInfoFailed;
}

// The signed request from its body and signature, in base64.
uint32_t AssembleRequest(const CertificateRequestRecord& record, const ByteVector& body,
                         std::span<const uint8_t> signature, std::string& base64) {
  ByteVector algorithm;
  if (EncodeSignatureAlgorithm(static_cast<int>(record.hash) - 1, algorithm) != 0) {
    return code::kEncodeAlgorithmFailed;
  }
  ByteVector signatureValue;
  if (const uint32_t status = EncodeSignatureValue(record, signature, signatureValue);
      status != 0) {
    return status;
  }
  ByteVector request;
  if (EncodeRequest(body, algorithm, signatureValue, request) != 0 || request.empty()) {
    return code::kEncodeRequestFailed;
  }
  if (!Base64Encode(request, base64) || base64.empty()) {
    return code::kBase64Failed;
  }
  return 0;
}

}  // namespace

size_t RequestTextBound(const CertificateRequestRecord& record) {
  // The record's own request with the largest parts its key type allows, every one beginning
  // with 0xFF so that each integer takes its extra leading zero.
  const PartLimits limits = LimitsOf(record.keyType);
  const std::vector<uint8_t> largest(std::max({limits.first, limits.second, limits.signature}),
                                     0xFF);
  const NewPublicKey key{{largest.data(), limits.first}, {largest.data(), limits.second}};
  ByteVector body;
  std::string base64;
  if (EncodeBody(record, key, body) != 0 ||
      AssembleRequest(record, body, {largest.data(), limits.signature}, base64) != 0) {
    return 0;  // the request cannot be built at all
  }
  return base64.size();
}

uint32_t BuildSignedRequest(const DeviceSession& session, uint32_t keyNumber,
                            const CertificateRequestRecord& record, const NewPublicKey& key,
                            std::string& base64) {
  const PartLimits limits = LimitsOf(record.keyType);
  if (key.first.size() > limits.first || key.second.size() > limits.second) {
    return code::kReadPublicKeyFailed;
  }
  ByteVector body;
  if (const uint32_t status = EncodeBody(record, key, body); status != 0) {
    return status;
  }
  const auto alg = DeviceHashOf(record.hash);
  if (!alg) {
    return code::kBadHash;
  }
  std::array<uint8_t, kMaxHashDigestSize> digest{};
  uint32_t digestLength = 0;
  if (const uint32_t status = DigestOfBody(record, key, body, *alg, digest, digestLength);
      status != 0) {
    return status;
  }
  std::array<uint8_t, 512> signature{};
  uint32_t signatureLength = static_cast<uint32_t>(signature.size());
  if (session.RSAPrivateSign(keyNumber, static_cast<uint32_t>(*alg), digest.data(), digestLength,
                             signature.data(), &signatureLength, 0) != 0) {
    return code::kSignFailed;
  }
  if (signatureLength > limits.signature) {
    return code::kSignFailed;
  }
  return AssembleRequest(record, body, std::span<const uint8_t>(signature.data(), signatureLength),
                         base64);
}

}  // namespace kq::tools
