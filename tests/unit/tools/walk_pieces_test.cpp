// The pure pieces of the device walk and the size-query rule.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "support/exact_buffer.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/public_key_list.h"
#include "tools/reader_walk.h"

namespace {

using namespace std::string_literals;

TEST(WalkPieces, ReaderIndexAndTheSizeQueryRule) {
  const std::pair<const char*, std::optional<uint32_t>> indexes[] = {
      {"orv zantuldccid 12x", 12u},      {"X ORV ZANTULDCCID 7", 7u},
      {"ORV ZANTULDCCID ", 0u},          {"ORV ZANTULDCCID 99999999999999", 999999999u},
      {"ORV ZANTULDCCID", std::nullopt}, {"Other Reader 0", std::nullopt}};
  for (const auto& [name, index] : indexes) {
    EXPECT_EQ(kq::tools::ReaderIndex(name), index) << name;
  }
  // A null buffer asks the length, a short or negative one fails with it, an exact one copies.
  const std::vector<uint8_t> bytes = {1, 2, 3};
  char out[3] = {};
  for (const auto& [buffer, given, result] :
       {std::tuple{static_cast<char*>(nullptr), 0, 0u}, std::tuple{out, 2, 1101u},
        std::tuple{out, -5, 1101u}, std::tuple{out, 3, 0u}}) {
    int32_t length = given;
    EXPECT_EQ(kq::tools::DeliverBytes(bytes, buffer, &length, 1101u), result) << given;
    if (given >= 0) {
      EXPECT_EQ(length, 3);
    }
  }
  EXPECT_EQ(out[2], 3);
}

std::vector<uint8_t> Item(size_t modulus, size_t exponent) {
  std::vector<uint8_t> item = {static_cast<uint8_t>(modulus >> 8), static_cast<uint8_t>(modulus)};
  item.insert(item.end(), modulus, 0xAB);
  item.push_back(static_cast<uint8_t>(exponent >> 8));
  item.push_back(static_cast<uint8_t>(exponent));
  item.insert(item.end(), exponent, 0x01);
  return item;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

const std::vector<uint8_t> kBars = {'|', '|'};
const std::vector<uint8_t> kOneBlank = {' '};
const std::vector<uint8_t> kTwoBlanks = {' ', ' '};

TEST(PublicKeyList, ItemsSeparatedByBarsEndingPlainOrWithTwoBlanks) {
  auto keys = kq::tools::ParsePublicKeyList(Join({Item(128, 3), kBars, Item(256, 4)}));
  ASSERT_TRUE(keys);
  ASSERT_EQ(keys->size(), 2u);
  EXPECT_EQ((*keys)[0].modulus.size(), 128u);
  EXPECT_EQ((*keys)[1].exponent.size(), 4u);
  EXPECT_TRUE(kq::tools::ParsePublicKeyList(Join({Item(128, 3), kTwoBlanks})));
  EXPECT_FALSE(kq::tools::ParsePublicKeyList(Join({Item(128, 3), kOneBlank})));
  EXPECT_FALSE(kq::tools::ParsePublicKeyList(Join({Item(128, 3), kBars})));
  EXPECT_FALSE(kq::tools::ParsePublicKeyList(Join({Item(128, 3), kBars, Item(0, 0)})));  // 4 bytes
  EXPECT_TRUE(kq::tools::ParsePublicKeyList(Join({Item(128, 3), kBars, Item(1, 0)})));
  EXPECT_FALSE(kq::tools::ParsePublicKeyList(Item(0, 0)));
}

TEST(PublicKeyList, EveryTruncatedPrefixParsesWithinItsBuffer) {
  const auto list = Join({Item(128, 3), kBars, Item(256, 4), kTwoBlanks});
  EXPECT_TRUE(kq::tools::ParsePublicKeyList(list));
  kq::test::ForEachTruncatedPrefix(list, [&](std::span<const uint8_t> prefix, size_t n) {
    const bool complete = n == list.size() - 2 || n == 2 + 128 + 2 + 3;
    EXPECT_EQ(kq::tools::ParsePublicKeyList(prefix).has_value(), complete) << n;
  });
}

}  // namespace
