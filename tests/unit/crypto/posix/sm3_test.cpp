#include "crypto/sm3.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace kq {
namespace {

std::string Hex(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

Sm3Digest OpenSslSm3(std::span<const uint8_t> data) {
  Sm3Digest digest{};
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sm3(), nullptr), 1);
  EXPECT_EQ(size, kSm3DigestSize);
  return digest;
}

// Feeds the data through the C interface in pieces of random sizes (empty pieces included).
Sm3Digest Sm3InPieces(std::span<const uint8_t> data, std::mt19937& random) {
  Sm3Context ctx;
  Sm3Starts(&ctx);
  while (!data.empty()) {
    const size_t piece =
        std::uniform_int_distribution<size_t>(0, std::min<size_t>(data.size(), 200))(random);
    Sm3Update(&ctx, data.data(), static_cast<uint32_t>(piece));
    data = data.subspan(piece);
  }
  Sm3Digest digest{};
  Sm3Finish(&ctx, digest.data());
  return digest;
}

std::vector<uint8_t> RandomBytes(size_t size, std::mt19937& random) {
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) {
    b = static_cast<uint8_t>(random());
  }
  return bytes;
}

TEST(Sm3, GivesTheStandardsExampleDigests) {
  EXPECT_EQ(Hex(Sm3Hash(Bytes("abc"))),
            "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
  std::string sixtyFour;
  for (int i = 0; i < 16; ++i) {
    sixtyFour += "abcd";
  }
  EXPECT_EQ(Hex(Sm3Hash(Bytes(sixtyFour))),
            "debe9ff92275b8a138604889c18e5a4d6fdb70e5387e5765293dcba39c0c5732");
}

TEST(Sm3, AgreesWithOpenSslForEveryLengthAndAnyPieces) {
  std::mt19937 random(20240601);
  std::vector<size_t> sizes;
  for (size_t size = 0; size <= 300; ++size) {
    sizes.push_back(size);
  }
  for (size_t size : {1000u, 4095u, 4096u, 65537u, 1000003u}) {
    sizes.push_back(size);
  }
  for (size_t size : sizes) {
    const std::vector<uint8_t> data = RandomBytes(size, random);
    const Sm3Digest expected = OpenSslSm3(data);
    ASSERT_EQ(Hex(Sm3InPieces(data, random)), Hex(expected)) << "length " << size;
    ASSERT_EQ(Hex(Sm3Hash(data)), Hex(expected)) << "length " << size;
  }
}

TEST(Sm3, FinalLeavesTheObjectReadyForANewMessage) {
  Sm3 sm3;
  sm3.Update(Bytes("first message"));
  (void)sm3.Final();
  sm3.Update(Bytes("abc"));
  EXPECT_EQ(Hex(sm3.Final()), Hex(Sm3Hash(Bytes("abc"))));
  sm3.Update(Bytes("discarded"));
  sm3.Reset();
  EXPECT_EQ(Hex(sm3.Final()), Hex(OpenSslSm3({})));
}

TEST(Sm3, UpdateWithLengthZeroIgnoresANullPointer) {
  Sm3Context ctx;
  Sm3Starts(&ctx);
  Sm3Update(&ctx, nullptr, 0);
  Sm3Digest digest{};
  Sm3Finish(&ctx, digest.data());
  EXPECT_EQ(Hex(digest), Hex(OpenSslSm3({})));
}

}  // namespace
}  // namespace kq
