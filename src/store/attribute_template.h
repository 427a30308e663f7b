#pragma once
// An object of the key's store as a map from attribute type to value, and its file encoding: a
// run of (type, length, value) records, big-endian, without gaps, written in ascending type
// order. Values of the number types are 32-bit numbers; all others are bytes kept as they are.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace kq::store {

// One entry of a default list, in memory form: a number type points at a native uint32_t, any
// other type at its bytes. A zero length stands for an empty default, which is left out.
struct AttributeEntry {
  uint32_t type;
  const void* value;
  uint32_t length;
};

class AttributeTemplate {
 public:
  // Adds the non-empty entries. Fails with kParseMalformed for a null value or a length the type
  // does not allow (class and number types 4, token, private and modifiable 1) and with
  // kParseRepeated for a type that is already held; on failure the template is left empty.
  [[nodiscard]] uint32_t Load(std::span<const AttributeEntry> entries);

  // Replaces the contents with the object file's attributes. Results: 0; kParseMalformed for no
  // bytes, a record or value running past the end, or a number that is not 4 bytes long;
  // kParseRepeated for a type that occurs twice; kParseNoMemory. On failure the template is empty.
  [[nodiscard]] uint32_t Parse(std::span<const uint8_t> file);

  // The file encoding; false only when an attribute cannot be encoded.
  [[nodiscard]] bool Serialise(std::vector<uint8_t>& out) const;

  // Sets or replaces an attribute. A number type takes 4 bytes in file order (big-endian);
  // the lengths that Load enforces apply. False when the value is not allowed.
  [[nodiscard]] bool Set(uint32_t type, std::span<const uint8_t> value);
  [[nodiscard]] bool SetNumber(uint32_t type, uint32_t value);
  [[nodiscard]] bool SetByte(uint32_t type, uint8_t value);

  [[nodiscard]] bool Has(uint32_t type) const { return values_.contains(type); }
  // A number attribute's value; nothing when it is absent or not a number type.
  [[nodiscard]] std::optional<uint32_t> Number(uint32_t type) const;
  // An attribute's bytes as the file holds them; null when absent.
  [[nodiscard]] const std::vector<uint8_t>* Bytes(uint32_t type) const;
  [[nodiscard]] size_t size() const { return values_.size(); }
  void Clear() { values_.clear(); }

 private:
  std::map<uint32_t, std::vector<uint8_t>> values_;
};

}  // namespace kq::store
