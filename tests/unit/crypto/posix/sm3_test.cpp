#include "crypto/sm3.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "common/hex_text.h"

namespace kq {
namespace {

std::string Hex(std::span<const uint8_t> bytes) {
  return HexEncode(bytes, HexLetters::kLower);
}

std::string OpenSslSm3(std::span<const uint8_t> data) {
  Sm3Digest digest{};
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sm3(), nullptr), 1);
  return Hex(digest);
}

// Every length up to 300 and a few long ones, fed through the C interface in pieces of random
// sizes (empty pieces included).
TEST(Sm3, AgreesWithOpenSslForEveryLengthAndAnyPieces) {
  std::mt19937 random(20240601);
  std::vector<size_t> sizes;
  for (size_t size = 0; size <= 300; ++size) {
    sizes.push_back(size);
  }
  sizes.insert(sizes.end(), {4095u, 4096u, 65537u, 1000003u});
  for (size_t size : sizes) {
    std::vector<uint8_t> data(size);
    for (auto& b : data) {
      b = static_cast<uint8_t>(random());
    }
    const std::string expected = OpenSslSm3(data);
    ASSERT_EQ(Hex(Sm3Hash(data)), expected) << "length " << size;
    Sm3Context ctx;
    Sm3Starts(&ctx);
    Sm3Update(&ctx, nullptr, 0);
    for (std::span<const uint8_t> rest(data); !rest.empty();) {
      const size_t piece =
          std::uniform_int_distribution<size_t>(0, std::min<size_t>(rest.size(), 200))(random);
      Sm3Update(&ctx, rest.data(), static_cast<uint32_t>(piece));
      rest = rest.subspan(piece);
    }
    Sm3Digest digest{};
    Sm3Finish(&ctx, digest.data());
    ASSERT_EQ(Hex(digest), expected) << "length " << size;
  }
}

}  // namespace
}  // namespace kq
