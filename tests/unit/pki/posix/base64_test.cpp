// Base64 text of certificates: the checking rules with their codes, and agreement with
// OpenSSL's encoder.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "pki/base64.h"

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

TEST(Base64Decode, DecodesWholeAndFilledGroupsIgnoringWhiteSpaceOrSaysWhatIsWrong) {
  const std::pair<std::string, Decoded> cases[] = {
      {"TWFu", {kBase64Ok, "Man"}},
      {"TWE=", {kBase64Ok, "Ma"}},
      {"TW Fu\r\n", {kBase64Ok, "Man"}},
      {"\tTQ\n= \r\n=  ", {kBase64Ok, "M"}},
      {"TWFu!", {kBase64BadCharacter, ""}},
      {"TW=", {kBase64BadCharacter, ""}},  // the second "=" is missing
      {"TW=x", {kBase64BadCharacter, ""}},
      {"TWE", {kBase64BadCharacter, ""}},  // three characters need one "="
      {"TWE=x", {kBase64BadCharacter, ""}},
      {"TWFu\xC3\xA9", {kBase64BadCharacter, ""}},
      {"TW", {kBase64NoData, ""}},  // two characters need "=="
      {"TWFu=", {kBase64NoData, ""}},
      {"TWFuT=", {kBase64NoData, ""}},
      {"=", {kBase64NoData, ""}},
      {" \r\n", {kBase64NoData, ""}},
      // One character too many passes the size pass and fails when decoded.
      {"T", {kBase64Truncated, ""}},
      {"TWFuT", {kBase64Truncated, ""}},
  };
  for (const auto& [text, expected] : cases) {
    const Decoded decoded = Decode(text);
    EXPECT_EQ(decoded.result, expected.result) << text;
    EXPECT_EQ(decoded.bytes, expected.bytes) << text;
  }
  size_t length = 0;
  EXPECT_EQ(Base64Decode("TWFuTWE=", 8, nullptr, &length), kBase64Ok);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(Base64Decode("TWFu", 0, nullptr, &length), kBase64NoInput);
  EXPECT_EQ(Base64Decode("TWFu", 4, nullptr, nullptr), kBase64NoInput);
  EXPECT_EQ(Base64Decode(nullptr, 4, nullptr, &length), kBase64NoInput);
  uint8_t buffer[2];
  length = sizeof buffer;
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

}  // namespace
}  // namespace kq
