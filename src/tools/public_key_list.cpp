#include "tools/public_key_list.h"

#include "common/byte_reader.h"

namespace kq::tools {

namespace {

constexpr size_t kShortestItem = 5;  // two lengths and one byte at least

bool ReadItem(ByteReader& reader, ListedPublicKey& key) {
  uint16_t length = 0;
  return reader.be16(length) && reader.take(length, key.modulus) && reader.be16(length) &&
         reader.take(length, key.exponent);
}

bool AtTwoBlanks(const ByteReader& reader) {
  const auto rest = reader.rest();
  return rest.size() == 2 && rest[0] == ' ' && rest[1] == ' ';
}

bool AtSeparator(const ByteReader& reader) {
  const auto rest = reader.rest();
  return rest.size() >= 2 && rest[0] == '|' && rest[1] == '|';
}

}  // namespace

std::optional<std::vector<ListedPublicKey>> ParsePublicKeyList(std::span<const uint8_t> list) {
  if (list.size() < kShortestItem) {
    return std::nullopt;
  }
  ByteReader reader(list);
  std::vector<ListedPublicKey> keys;
  while (true) {
    ListedPublicKey key;
    if (!ReadItem(reader, key)) {
      return std::nullopt;
    }
    keys.push_back(key);
    if (reader.empty() || AtTwoBlanks(reader)) {
      return keys;
    }
    if (!AtSeparator(reader) || !reader.skip(2) || reader.remaining() < kShortestItem) {
      return std::nullopt;
    }
  }
}

}  // namespace kq::tools
