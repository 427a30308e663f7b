#include "tools/named_hash_signing.h"

#include <algorithm>
#include <array>

#include "common/codes_device.h"
#include "common/codes_tools.h"
#include "crypto/hash_alg.h"
#include "crypto/hash_classes.h"
#include "crypto/sm2_prepare.h"
#include "device/key_signing.h"
#include "tools/tool_button_wait.h"

namespace kq::tools {

namespace {

namespace code = tool::signature;

constexpr uint32_t kSm2KeyBits = 256;

// The digest of the message for the key's signing operation; 0, 3003 or 3004.
uint32_t HostDigest(const DeviceSession& session, const NamedHashSignature& request, HashAlg alg,
                    std::array<uint8_t, kMaxHashDigestSize>& digest, uint32_t& digestLength) {
  if (alg != HashAlg::kSm3) {
    const auto engine = CreateHashEngine(alg);
    if (!engine) {
      return code::kBadHash;
    }
    if (request.messageLength != 0) {
      engine->Update(request.message, request.messageLength);
    }
    engine->Final(digest.data());
    digestLength = engine->GetDigestSize();
    return 0;
  }
  std::array<uint8_t, 1024> x{};
  std::array<uint8_t, 1024> y{};
  uint32_t xLength = static_cast<uint32_t>(x.size());
  uint32_t yLength = static_cast<uint32_t>(y.size());
  uint32_t bits = 0;
  if (const store::DevicePublicKey* key = request.publicKey) {
    bits = key->bits;
    std::copy_n(key->first.begin(), std::min(key->first.size(), x.size()), x.begin());
    std::copy_n(key->second.begin(), std::min(key->second.size(), y.size()), y.begin());
  } else if (session.ReadRSAPub(request.keyNumber, &bits, x.data(), &xLength, y.data(), &yLength,
                                0) != 0) {
    return code::kDeviceFailed;
  }
  if (bits != kSm2KeyBits) {
    return code::kBadHash;
  }
  const std::span<const uint8_t> message(request.message,
                                         request.message == nullptr ? 0 : request.messageLength);
  const Sm3Digest e = Sm2MessageDigest(
      std::span<const uint8_t, kSm2CoordinateSize>(x.data(), kSm2CoordinateSize),
      std::span<const uint8_t, kSm2CoordinateSize>(y.data(), kSm2CoordinateSize), message);
  std::copy(e.begin(), e.end(), digest.begin());
  digestLength = static_cast<uint32_t>(e.size());
  return 0;
}

// Only a key that hashes the message may refuse to.
constexpr RefusalCode kHashRefusal[] = {{dev::kSwMessageBadLength, code::kDeviceHashRefused}};
constexpr SigningCodes kDeviceHashingCodes{kSignatureWait, kHashRefusal, code::kDeviceFailed};
constexpr SigningCodes kHostHashingCodes{kSignatureWait, {}, code::kDeviceFailed};

}  // namespace

uint32_t SignWithNamedHash(const DeviceSession& session, const NamedHashSignature& request,
                           uint8_t* signature, uint32_t* signatureLength) {
  HashAlg alg{};
  if (request.hashName == nullptr ||
      !HashAlgFromName(request.hashName, request.hashNameLength, &alg)) {
    return code::kBadHash;
  }
  if (request.hashOnDevice) {
    const std::span<const uint8_t> message(request.message, request.messageLength);
    return SignOnKey(session, {request.keyNumber, alg, message, true}, signature, signatureLength)
        .Code(kDeviceHashingCodes);
  }
  std::array<uint8_t, kMaxHashDigestSize> digest{};
  uint32_t digestLength = 0;
  if (const uint32_t status = HostDigest(session, request, alg, digest, digestLength);
      status != 0) {
    return status;
  }
  return SignOnKey(session, {request.keyNumber, alg, {digest.data(), digestLength}, false},
                   signature, signatureLength)
      .Code(kHostHashingCodes);
}

}  // namespace kq::tools
