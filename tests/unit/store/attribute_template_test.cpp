#include "store/attribute_template.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "support/exact_buffer.h"

namespace kq::store {
namespace {

// One record: type and length big-endian, then the value; `stated` replaces the length.
std::vector<uint8_t> Record(uint32_t type, std::vector<uint8_t> value, int64_t stated = -1) {
  const auto length = static_cast<uint32_t>(stated < 0 ? value.size() : stated);
  std::vector<uint8_t> out;
  for (const uint32_t n : {type, length}) {
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  }
  out.insert(out.end(), value.begin(), value.end());
  return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

TEST(AttributeTemplate, LoadAndSetEnforceTheLengthsOfEachType) {
  const uint32_t publicKey = kClassPublicKey;
  const uint8_t yes = 1;
  const uint8_t two[] = {1, 2};
  AttributeTemplate object;
  const AttributeEntry good[] = {
      {attr::kClass, &publicKey, 4}, {attr::kToken, &yes, 1}, {attr::kLabel, nullptr, 0}};
  ASSERT_EQ(object.Load(good), kOk);
  EXPECT_EQ(object.size(), 2u);  // empty defaults are skipped
  const std::vector<std::pair<AttributeEntry, AttributeEntry>> refused = {
      {{attr::kClass, &yes, 1}, {}},
      {{attr::kToken, two, 2}, {}},
      {{attr::kModifiable, two, 2}, {}},
      {{attr::kValue, nullptr, 3}, {}},
      {{attr::kValue, two, 2}, {attr::kValue, two, 1}}};
  for (const auto& [first, second] : refused) {
    const AttributeEntry entries[] = {first, second};
    EXPECT_EQ(object.Load(entries), second.type == 0 ? kParseMalformed : kParseRepeated)
        << first.type;
    EXPECT_EQ(object.size(), 0u);
  }
  const uint8_t three[] = {0, 0, 1};
  EXPECT_FALSE(object.Set(attr::kModulusBits, three));
  EXPECT_FALSE(object.SetNumber(attr::kModulus, 1));  // not a number type
  ASSERT_TRUE(object.SetNumber(attr::kModulusBits, 1024));
  ASSERT_TRUE(object.SetNumber(attr::kModulusBits, 2048));  // replaces
  EXPECT_EQ(object.Number(attr::kModulusBits), 2048u);
  EXPECT_EQ(object.size(), 1u);
}

// Damaged objects and every truncated prefix are refused; a stated length past the end, up to
// 0xFFFFFFFF, without reading or allocating; only a prefix ending between records parses.
TEST(AttributeTemplate, ParseRefusesDamagedAndTruncatedObjects) {
  const std::vector<std::pair<std::vector<uint8_t>, uint32_t>> cases = {
      {{}, kParseMalformed},
      {Concat({Record(attr::kValue, {1}), Record(attr::kValue, {2})}), kParseRepeated},
      {Record(attr::kClass, {}), kParseMalformed},
      {Record(attr::kClass, {0, 0, 0, 0, 2}), kParseMalformed},
      {Record(attr::kValue, {1, 2, 3, 4}, 5), kParseMalformed},
      {Record(attr::kValue, {1, 2, 3, 4}, 0x7FFFFFFF), kParseMalformed},
      {Record(attr::kValue, {1, 2, 3, 4}, 0xFFFFFFFF), kParseMalformed},
      {Record(attr::kValue, {}), kOk}};
  for (const auto& [bytes, result] : cases) {
    AttributeTemplate object;
    EXPECT_EQ(object.Parse(test::ExactBuffer(bytes).span()), result) << bytes.size();
    EXPECT_EQ(object.size(), result == kOk ? 1u : 0u);
  }
  const auto bytes = Concat({Record(attr::kClass, {0, 0, 0, 2}), Record(attr::kToken, {1}),
                             Record(attr::kModulus, std::vector<uint8_t>(128, 0xC5)),
                             Record(attr::kKeyNumber, {3})});
  ASSERT_EQ(AttributeTemplate().Parse(bytes), kOk);
  test::ForEachTruncatedPrefix(bytes, [](std::span<const uint8_t> prefix, size_t n) {
    const bool boundary = n == 12 || n == 21 || n == 157;
    EXPECT_EQ(AttributeTemplate().Parse(prefix), boundary ? kOk : kParseMalformed) << n;
  });
}

}  // namespace
}  // namespace kq::store
