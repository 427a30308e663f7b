#include "crypto/sm2_prepare.h"

namespace kq {
namespace {

// a, b, xG, yG of the SM2 recommended 256-bit curve, each 32 bytes big-endian, in hashing order.
constexpr uint8_t kCurveParameters[4 * kSm2CoordinateSize] = {
    // a
    0xFF,
    0xFF,
    0xFF,
    0xFE,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0x00,
    0x00,
    0x00,
    0x00,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFF,
    0xFC,
    // b
    0x28,
    0xE9,
    0xFA,
    0x9E,
    0x9D,
    0x9F,
    0x5E,
    0x34,
    0x4D,
    0x5A,
    0x9E,
    0x4B,
    0xCF,
    0x65,
    0x09,
    0xA7,
    0xF3,
    0x97,
    0x89,
    0xF5,
    0x15,
    0xAB,
    0x8F,
    0x92,
    0xDD,
    0xBC,
    0xBD,
    0x41,
    0x4D,
    0x94,
    0x0E,
    0x93,
    // xG
    0x32,
    0xC4,
    0xAE,
    0x2C,
    0x1F,
    0x19,
    0x81,
    0x19,
    0x5F,
    0x99,
    0x04,
    0x46,
    0x6A,
    0x39,
    0xC9,
    0x94,
    0x8F,
    0xE3,
    0x0B,
    0xBF,
    0xF2,
    0x66,
    0x0B,
    0xE1,
    0x71,
    0x5A,
    0x45,
    0x89,
    0x33,
    0x4C,
    0x74,
    0xC7,
    // yG
    0xBC,
    0x37,
    0x36,
    0xA2,
    0xF4,
    0xF6,
    0x77,
    0x9C,
    0x59,
    0xBD,
    0xCE,
    0xE3,
    0x6B,
    0x69,
    0x21,
    0x53,
    0xD0,
    0xA9,
    0x87,
    0x7C,
    0xC6,
    0x2A,
    0x47,
    0x40,
    0x02,
    0xDF,
    0x32,
    0xE5,
    0x21,
    0x39,
    0xF0,
    0xA0,
};

// The identity's length in bits (16 bytes = 128), as the fixed two bytes every Z begins with.
constexpr uint8_t kEntl[2] = {0x00, 0x80};

}  // namespace

int Sm2ComputeZ(const uint8_t* identity, const uint8_t* xA, const uint8_t* yA, uint8_t* out) {
  if (identity == nullptr || xA == nullptr || yA == nullptr || out == nullptr) {
    return -1;
  }
  Sm3Context ctx;
  Sm3Starts(&ctx);
  Sm3Update(&ctx, kEntl, sizeof kEntl);
  Sm3Update(&ctx, identity, static_cast<uint32_t>(kSm2DefaultIdentity.size()));
  Sm3Update(&ctx, kCurveParameters, sizeof kCurveParameters);
  Sm3Update(&ctx, xA, kSm2CoordinateSize);
  Sm3Update(&ctx, yA, kSm2CoordinateSize);
  Sm3Finish(&ctx, out);
  return 0;
}

int Sm2ComputeE(const uint8_t* z, const uint8_t* message, int32_t messageLength, uint8_t* out) {
  if (z == nullptr || message == nullptr || out == nullptr) {
    return -1;
  }
  Sm3Context ctx;
  Sm3Starts(&ctx);
  Sm3Update(&ctx, z, kSm3DigestSize);
  if (messageLength > 0) {
    Sm3Update(&ctx, message, static_cast<uint32_t>(messageLength));
  }
  Sm3Finish(&ctx, out);
  return 0;
}

bool Sm2IdentityDigest(std::span<const uint8_t> identity,
                       std::span<const uint8_t, kSm2CoordinateSize> x,
                       std::span<const uint8_t, kSm2CoordinateSize> y, Sm3Digest& z) {
  constexpr size_t kLongestIdentity = 0xFFFF / 8;
  if (identity.empty() || identity.size() > kLongestIdentity) {
    return false;
  }
  const size_t bits = identity.size() * 8;
  const std::array<uint8_t, 2> entl = {static_cast<uint8_t>(bits >> 8),
                                       static_cast<uint8_t>(bits & 0xFF)};
  Sm3 sm3;
  sm3.Update(entl);
  sm3.Update(identity);
  sm3.Update(kCurveParameters);
  sm3.Update(x);
  sm3.Update(y);
  z = sm3.Final();
  return true;
}

Sm3Digest Sm2MessageDigest(std::span<const uint8_t, kSm2CoordinateSize> x,
                           std::span<const uint8_t, kSm2CoordinateSize> y,
                           std::span<const uint8_t> message) {
  Sm3Digest z{};
  Sm2ComputeZ(kSm2DefaultIdentity.data(), x.data(), y.data(), z.data());
  Sm3 sm3;
  sm3.Update(z);
  sm3.Update(message);
  return sm3.Final();
}

}  // namespace kq
