// The pure pieces of the device walk and the size-query rule.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <tuple>

#include "support/exact_buffer.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/public_key_list.h"
#include "tools/reader_walk.h"

namespace {

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
    EXPECT_TRUE(given < 0 || length == 3) << given;
  }
  EXPECT_EQ(out[2], 3);
}

// Items (2-byte length, modulus, 2-byte length, exponent) separated by "||", ending plain or
// with two blanks; every truncated prefix parses within its buffer, only whole lists succeed.
TEST(PublicKeyList, ItemsSeparatedByBarsAndTruncatedLists) {
  const auto list = [](std::initializer_list<std::pair<size_t, size_t>> items, const char* end) {
    std::vector<uint8_t> out;
    for (const auto& [modulus, exponent] : items) {
      if (!out.empty()) {
        out.insert(out.end(), {'|', '|'});
      }
      out.insert(out.end(), {uint8_t(modulus >> 8), uint8_t(modulus)});
      out.insert(out.end(), modulus, 0xAB);
      out.insert(out.end(), {uint8_t(exponent >> 8), uint8_t(exponent)});
      out.insert(out.end(), exponent, 0x01);
    }
    out.insert(out.end(), end, end + std::strlen(end));
    return out;
  };
  const std::pair<std::vector<uint8_t>, int> cases[] = {{list({{128, 3}, {256, 4}}, ""), 2},
                                                        {list({{128, 3}}, "  "), 1},
                                                        {list({{128, 3}}, " "), -1},
                                                        {list({{128, 3}}, "||"), -1},
                                                        {list({{128, 3}, {0, 0}}, ""), -1},
                                                        {list({{128, 3}, {1, 0}}, ""), 2},
                                                        {list({{0, 0}}, ""), -1}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto keys = kq::tools::ParsePublicKeyList(cases[i].first);
    EXPECT_EQ(keys ? static_cast<int>(keys->size()) : -1, cases[i].second) << i;
  }
  const auto keys = kq::tools::ParsePublicKeyList(cases[0].first);
  ASSERT_TRUE(keys);
  EXPECT_EQ((*keys)[0].modulus.size(), 128u);
  EXPECT_EQ((*keys)[1].exponent.size(), 4u);
  const auto whole = list({{128, 3}, {256, 4}}, "  ");
  kq::test::ForEachTruncatedPrefix(whole, [&](std::span<const uint8_t> prefix, size_t n) {
    const bool complete = n == whole.size() - 2 || n == 2 + 128 + 2 + 3;
    EXPECT_EQ(kq::tools::ParsePublicKeyList(prefix).has_value(), complete) << n;
  });
}

}  // namespace
