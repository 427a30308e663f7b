#include "device/named_hash_signing.h"

#include <array>

#include "common/codes_device.h"
#include "common/codes_tools.h"
#include "crypto/hash_alg.h"
#include "crypto/hash_classes.h"
#include "crypto/sm2_prepare.h"
#include "ui/confirmation_wait.h"

namespace kq {

namespace {

namespace code = tool::signature;

constexpr uint32_t kSm2KeyBits = 256;
constexpr uint32_t kSignedTransactionKind = 5;  // ZANT_GetData kind that returns the signature

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
  if (session.ReadRSAPub(request.keyNumber, &bits, x.data(), &xLength, y.data(), &yLength, 0) !=
      0) {
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

uint32_t SignOnHost(const DeviceSession& session, const NamedHashSignature& request, HashAlg alg,
                    uint8_t* signature, uint32_t* signatureLength) {
  std::array<uint8_t, kMaxHashDigestSize> digest{};
  uint32_t digestLength = 0;
  if (const uint32_t status = HostDigest(session, request, alg, digest, digestLength);
      status != 0) {
    return status;
  }
  // A key that asks for its button here fails: this path never waits.
  const uint32_t status =
      session.RSAPrivateSign(request.keyNumber, static_cast<uint32_t>(alg), digest.data(),
                             digestLength, signature, signatureLength, 0);
  return status == 0 ? 0 : code::kDeviceFailed;
}

uint32_t SignOnDevice(const DeviceSession& session, const NamedHashSignature& request, HashAlg alg,
                      uint8_t* signature, uint32_t* signatureLength) {
  const uint32_t status =
      session.RSAPrivateSignEx(request.keyNumber, static_cast<uint32_t>(alg), request.message,
                               request.messageLength, signature, signatureLength, 0);
  if (status == 0) {
    return 0;
  }
  const uint32_t word = dev::StatusWord(status);
  if (dev::IsButtonWait(status)) {
    if (ui::RunButtonWait(session.handle(), ui::kWaitTransactionSigning) !=
        ui::WaitResult::kConfirmed) {
      return tool::kCancelledByUser;
    }
    return session.GetData(signature, signatureLength, kSignedTransactionKind) == 0
               ? 0
               : code::kDeviceFailed;
  }
  if ((word & 0xFF00) == 0x6B00 && (word & 0xFF) == 5) {
    return code::kDeviceHashRefused;
  }
  return code::kDeviceFailed;
}

}  // namespace

uint32_t SignWithNamedHash(const DeviceSession& session, const NamedHashSignature& request,
                           uint8_t* signature, uint32_t* signatureLength) {
  HashAlg alg{};
  if (request.hashName == nullptr ||
      !HashAlgFromName(request.hashName, request.hashNameLength, &alg)) {
    return code::kBadHash;
  }
  return request.hashOnDevice ? SignOnDevice(session, request, alg, signature, signatureLength)
                              : SignOnHost(session, request, alg, signature, signatureLength);
}

}  // namespace kq
