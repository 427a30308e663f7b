// Base64 text of certificates: the checking rules with their codes, and agreement with
// OpenSSL's encoder.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "pki/base64.h"
#include "support/exact_buffer.h"

namespace kq {
namespace {

struct Decoded {
  int result;
  std::string bytes;
};

Decoded Decode(const std::string& text, size_t capacity = 64) {
  std::string buffer(capacity, '\0');
  size_t length = capacity;
  const int result =
      Base64Decode(text.data(), text.size(), reinterpret_cast<uint8_t*>(buffer.data()), &length);
  buffer.resize(result == kBase64Ok ? length : 0);
  return {result, buffer};
}

int SizeOf(const std::string& text, size_t& length) {
  return Base64Decode(text.data(), text.size(), nullptr, &length);
}

TEST(Base64Decode, DecodesWholeAndFilledGroupsIgnoringWhiteSpace) {
  EXPECT_EQ(Decode("TWFu").bytes, "Man");
  EXPECT_EQ(Decode("TWE=").bytes, "Ma");
  EXPECT_EQ(Decode("TQ==").bytes, "M");
  EXPECT_EQ(Decode("TW Fu\r\n").bytes, "Man");
  EXPECT_EQ(Decode("\tTQ\n= \r\n=  ").bytes, "M");
  size_t length = 0;
  EXPECT_EQ(SizeOf("TWFuTWE=", length), kBase64Ok);
  EXPECT_EQ(length, 5u);
}

TEST(Base64Decode, NumberedFailures) {
  size_t length = 8;
  EXPECT_EQ(Base64Decode("TWFu", 0, nullptr, &length), kBase64NoInput);
  EXPECT_EQ(Base64Decode("TWFu", 4, nullptr, nullptr), kBase64NoInput);
  EXPECT_EQ(Base64Decode(nullptr, 4, nullptr, &length), kBase64NoInput);
  EXPECT_EQ(Decode("TWFu!").result, kBase64BadCharacter);
  EXPECT_EQ(Decode("TW=").result, kBase64BadCharacter);  // the second "=" is missing
  EXPECT_EQ(Decode("TW=x").result, kBase64BadCharacter);
  EXPECT_EQ(Decode("TWE").result, kBase64BadCharacter);  // three characters need one "="
  EXPECT_EQ(Decode("TWE=x").result, kBase64BadCharacter);
  EXPECT_EQ(Decode("TW").result, kBase64NoData);  // two characters need "=="
  EXPECT_EQ(Decode("TWFu=").result, kBase64NoData);
  EXPECT_EQ(Decode("TWFuT=").result, kBase64NoData);
  EXPECT_EQ(Decode("=").result, kBase64NoData);
  EXPECT_EQ(Decode(" \r\n").result, kBase64NoData);
  EXPECT_EQ(Decode("TWFu\xC3\xA9").result, kBase64BadCharacter);
  // One character too many: passes the size pass, fails when decoded.
  length = 0;
  EXPECT_EQ(SizeOf("T", length), kBase64Ok);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(Decode("T").result, kBase64Truncated);
  EXPECT_EQ(Decode("TWFuT").result, kBase64Truncated);
}

TEST(Base64Decode, ShortBufferGetsTheNeededLength) {
  uint8_t buffer[2];
  size_t length = sizeof buffer;
  EXPECT_EQ(Base64Decode("TWFu", 4, buffer, &length), kBase64BufferTooSmall);
  EXPECT_EQ(length, 3u);
}

TEST(Base64, RoundTripsWithOpenSslOnRandomData) {
  std::mt19937 random(5);
  for (size_t size = 1; size < 200; ++size) {
    std::string data(size, '\0');
    for (char& c : data) {
      c = static_cast<char>(random());
    }
    std::string encoded;
    ASSERT_TRUE(Base64Encode({reinterpret_cast<const uint8_t*>(data.data()), size}, encoded));
    std::string expected(4 * ((size + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(expected.data()),
                                        reinterpret_cast<const unsigned char*>(data.data()),
                                        static_cast<int>(size));
    expected.resize(static_cast<size_t>(written));
    ASSERT_EQ(encoded, expected);
    // Line breaks every 64 characters, as in PEM bodies, change nothing.
    std::string wrapped;
    for (size_t i = 0; i < encoded.size(); i += 64) {
      wrapped += encoded.substr(i, 64) + "\r\n";
    }
    ASSERT_EQ(Decode(wrapped, size).bytes, data) << size;
  }
}

TEST(Base64Decode, EveryTruncatedPrefixStaysInsideItsBuffer) {
  const std::string text = "TWFu TWFu\r\nTWE=\r\n";
  test::ForEachTruncatedPrefix(
      {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
      [](std::span<const uint8_t> prefix, size_t size) {
        size_t length = 0;
        const char* chars = reinterpret_cast<const char*>(prefix.data());
        if (Base64Decode(chars, size, nullptr, &length) == kBase64Ok) {
          auto out = std::make_unique<uint8_t[]>(length + 1);
          size_t capacity = length;
          const int result = Base64Decode(chars, size, out.get(), &capacity);
          EXPECT_TRUE(result == kBase64Ok || result == kBase64Truncated) << size;
        }
      });
}

}  // namespace
}  // namespace kq
