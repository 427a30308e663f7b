#include "store/attribute_template.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "support/exact_buffer.h"

namespace kq::store {
namespace {

std::vector<uint8_t> Record(uint32_t type, std::vector<uint8_t> value) {
  std::vector<uint8_t> out = {static_cast<uint8_t>(type >> 24), static_cast<uint8_t>(type >> 16),
                              static_cast<uint8_t>(type >> 8), static_cast<uint8_t>(type)};
  const auto length = static_cast<uint32_t>(value.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(length >> shift));
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

TEST(AttributeTemplate, SerialisesInAscendingTypeOrderWithNumbersBigEndian) {
  AttributeTemplate object;
  const uint8_t name[] = {'a', 'b'};
  ASSERT_TRUE(object.Set(attr::kContainerName, name));
  ASSERT_TRUE(object.SetByte(attr::kToken, 1));
  ASSERT_TRUE(object.SetNumber(attr::kClass, kClassContainer));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(object.Serialise(bytes));
  EXPECT_EQ(bytes, Concat({Record(attr::kClass, {0x80, 0x43, 0x54, 0x4E}),
                           Record(attr::kToken, {1}), Record(attr::kContainerName, {'a', 'b'})}));

  AttributeTemplate again;
  ASSERT_EQ(again.Parse(bytes), kOk);
  EXPECT_EQ(again.Number(attr::kClass), kClassContainer);
  EXPECT_FALSE(again.Number(attr::kContainerName).has_value());  // not a number type
  std::vector<uint8_t> reencoded;
  ASSERT_TRUE(again.Serialise(reencoded));
  EXPECT_EQ(reencoded, bytes);
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
  EXPECT_EQ(object.Number(attr::kClass), kClassPublicKey);
  const std::vector<std::vector<AttributeEntry>> malformed = {{{attr::kClass, &yes, 1}},
                                                              {{attr::kToken, two, 2}},
                                                              {{attr::kPrivate, two, 2}},
                                                              {{attr::kModifiable, two, 2}},
                                                              {{attr::kValue, nullptr, 3}}};
  for (const auto& entries : malformed) {
    EXPECT_EQ(object.Load(entries), kParseMalformed) << entries[0].type;
    EXPECT_EQ(object.size(), 0u);
  }
  const AttributeEntry repeated[] = {{attr::kValue, two, 2}, {attr::kValue, two, 1}};
  EXPECT_EQ(object.Load(repeated), kParseRepeated);

  const uint8_t three[] = {0, 0, 1};
  EXPECT_FALSE(object.Set(attr::kModulusBits, three));
  EXPECT_FALSE(object.Set(attr::kPrivate, three));
  EXPECT_FALSE(object.SetNumber(attr::kModulus, 1));  // not a number type
  const uint8_t four[] = {0, 0, 4, 0};
  ASSERT_TRUE(object.Set(attr::kModulusBits, four));
  EXPECT_EQ(object.Number(attr::kModulusBits), 1024u);
  ASSERT_TRUE(object.SetNumber(attr::kModulusBits, 2048));  // replaces
  EXPECT_EQ(object.Number(attr::kModulusBits), 2048u);
  EXPECT_EQ(object.size(), 1u);
}

TEST(AttributeTemplate, ParseRefusesDamagedObjects) {
  AttributeTemplate object;
  EXPECT_EQ(object.Parse({}), kParseMalformed);

  const auto repeated = Concat({Record(attr::kValue, {1}), Record(attr::kValue, {2})});
  EXPECT_EQ(object.Parse(repeated), kParseRepeated);
  EXPECT_EQ(object.size(), 0u);

  for (const std::vector<uint8_t>& number :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{1}, std::vector<uint8_t>{0, 0, 0, 0, 2}}) {
    EXPECT_EQ(object.Parse(Record(attr::kClass, number)), kParseMalformed) << number.size();
  }

  // A stated length past the end, up to 0xFFFFFFFF, is refused without reading or allocating.
  for (uint32_t stated : {5u, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    std::vector<uint8_t> bytes = Record(attr::kValue, {1, 2, 3, 4});
    bytes[4] = static_cast<uint8_t>(stated >> 24);
    bytes[5] = static_cast<uint8_t>(stated >> 16);
    bytes[6] = static_cast<uint8_t>(stated >> 8);
    bytes[7] = static_cast<uint8_t>(stated);
    const test::ExactBuffer exact(bytes);
    EXPECT_EQ(object.Parse(exact.span()), kParseMalformed) << stated;
  }

  // An empty byte string is a value like any other.
  ASSERT_EQ(object.Parse(Record(attr::kValue, {})), kOk);
  ASSERT_NE(object.Bytes(attr::kValue), nullptr);
  EXPECT_TRUE(object.Bytes(attr::kValue)->empty());
}

TEST(AttributeTemplate, EveryTruncatedPrefixOfAnObjectIsRefused) {
  const auto bytes = Concat({Record(attr::kClass, {0, 0, 0, 2}), Record(attr::kToken, {1}),
                             Record(attr::kModulus, std::vector<uint8_t>(128, 0xC5)),
                             Record(attr::kKeyNumber, {3})});
  ASSERT_EQ(AttributeTemplate().Parse(bytes), kOk);
  test::ForEachTruncatedPrefix(bytes, [](std::span<const uint8_t> prefix, size_t n) {
    AttributeTemplate object;
    const uint32_t result = object.Parse(prefix);
    // Only a prefix that ends exactly between two records parses.
    const bool boundary = n == 12 || n == 21 || n == 157;
    EXPECT_EQ(result, boundary ? kOk : kParseMalformed) << n;
  });
}

}  // namespace
}  // namespace kq::store
