// Base64 text of certificates: the checking rules with their codes. The encoder's output is read
// by the openssl command in the enrolment integration tests.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kq
