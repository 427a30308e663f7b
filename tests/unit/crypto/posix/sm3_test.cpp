#include "crypto/sm3.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace kq {
namespace {

// Every length up to 300 and a few long ones, whole and through the C interface in pieces of
// random sizes (empty pieces included), against OpenSSL's SM3.
TEST(Sm3, AgreesWithOpenSslForEveryLengthAndAnyPieces) {
  std::mt19937 random(20240601);
  std::vector<size_t> sizes(301);
  std::iota(sizes.begin(), sizes.end(), 0);
  sizes.insert(sizes.end(), {4095u, 4096u, 65537u, 1000003u});
  for (size_t size : sizes) {
    std::vector<uint8_t> data(size);
    std::generate(data.begin(), data.end(), [&] { return static_cast<uint8_t>(random()); });
    Sm3Digest expected{};
    EVP_Digest(data.data(), data.size(), expected.data(), nullptr, EVP_sm3(), nullptr);
    ASSERT_EQ(Sm3Hash(data), expected) << "length " << size;
    Sm3Context ctx;
    Sm3Starts(&ctx);
    Sm3Update(&ctx, nullptr, 0);
    for (std::span<const uint8_t> rest(data); !rest.empty();) {
      const size_t piece = std::min<size_t>(rest.size(), random() % 201);
      Sm3Update(&ctx, rest.data(), static_cast<uint32_t>(piece));
      rest = rest.subspan(piece);
    }
    Sm3Digest digest{};
    Sm3Finish(&ctx, digest.data());
    ASSERT_EQ(digest, expected) << "length " << size;
  }
}

}  // namespace
}  // namespace kq
