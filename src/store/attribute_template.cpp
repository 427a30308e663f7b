#include "store/attribute_template.h"

#include <cstring>
#include <limits>
#include <new>

#include "common/byte_reader.h"
#include "common/codes_store.h"
#include "store/attribute_types.h"

namespace kq::store {

namespace {

// The lengths a type allows: 0 when any length will do.
uint32_t RequiredLength(uint32_t type) {
  if (IsNumberAttribute(type)) {
    return 4;
  }
  if (type == attr::kToken || type == attr::kPrivate || type == attr::kModifiable) {
    return 1;
  }
  return 0;
}

bool LengthAllowed(uint32_t type, size_t length) {
  const uint32_t required = RequiredLength(type);
  return required == 0 || length == required;
}

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 24));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

std::vector<uint8_t> Be32Bytes(uint32_t value) {
  std::vector<uint8_t> bytes;
  PutBe32(bytes, value);
  return bytes;
}

}  // namespace

uint32_t AttributeTemplate::Load(std::span<const AttributeEntry> entries) {
  values_.clear();
  try {
    for (const AttributeEntry& entry : entries) {
      if (entry.length == 0) {
        continue;  // an empty default never reaches the file
      }
      if (entry.value == nullptr || !LengthAllowed(entry.type, entry.length)) {
        values_.clear();
        return kParseMalformed;
      }
      if (values_.contains(entry.type)) {
        values_.clear();
        return kParseRepeated;
      }
      std::vector<uint8_t> value;
      if (IsNumberAttribute(entry.type)) {
        uint32_t number = 0;
        std::memcpy(&number, entry.value, sizeof number);
        value = Be32Bytes(number);
      } else {
        const auto* bytes = static_cast<const uint8_t*>(entry.value);
        value.assign(bytes, bytes + entry.length);
      }
      values_.emplace(entry.type, std::move(value));
    }
  } catch (const std::bad_alloc&) {
    values_.clear();
    return kParseNoMemory;
  }
  return kOk;
}

uint32_t AttributeTemplate::Parse(std::span<const uint8_t> file) {
  values_.clear();
  if (file.empty()) {
    return kParseMalformed;
  }
  try {
    ByteReader reader(file);
    while (!reader.empty()) {
      uint32_t type = 0;
      uint32_t length = 0;
      std::span<const uint8_t> value;
      if (!reader.be32(type) || !reader.be32(length) || !reader.take(length, value) ||
          (IsNumberAttribute(type) && length != 4)) {
        values_.clear();
        return kParseMalformed;
      }
      if (!values_.try_emplace(type, value.begin(), value.end()).second) {
        values_.clear();
        return kParseRepeated;
      }
    }
  } catch (const std::bad_alloc&) {
    values_.clear();
    return kParseNoMemory;
  }
  return kOk;
}

bool AttributeTemplate::Serialise(std::vector<uint8_t>& out) const {
  out.clear();
  try {
    size_t total = 0;
    for (const auto& [type, value] : values_) {
      if (value.size() > std::numeric_limits<uint32_t>::max()) {
        return false;
      }
      total += 8 + value.size();
    }
    out.reserve(total);
    for (const auto& [type, value] : values_) {
      PutBe32(out, type);
      PutBe32(out, static_cast<uint32_t>(value.size()));
      out.insert(out.end(), value.begin(), value.end());
    }
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
  return true;
}

bool AttributeTemplate::Set(uint32_t type, std::span<const uint8_t> value) {
  if (!LengthAllowed(type, value.size())) {
    return false;
  }
  try {
    values_.insert_or_assign(type, std::vector<uint8_t>(value.begin(), value.end()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool AttributeTemplate::SetNumber(uint32_t type, uint32_t value) {
  if (!IsNumberAttribute(type)) {
    return false;
  }
  const std::vector<uint8_t> bytes = Be32Bytes(value);
  return Set(type, bytes);
}

bool AttributeTemplate::SetByte(uint32_t type, uint8_t value) {
  const uint8_t bytes[1] = {value};
  return Set(type, bytes);
}

std::optional<uint32_t> AttributeTemplate::Number(uint32_t type) const {
  const std::vector<uint8_t>* bytes = Bytes(type);
  if (bytes == nullptr || !IsNumberAttribute(type) || bytes->size() != 4) {
    return std::nullopt;
  }
  ByteReader reader(*bytes);
  uint32_t value = 0;
  if (!reader.be32(value)) {
    return std::nullopt;
  }
  return value;
}

const std::vector<uint8_t>* AttributeTemplate::Bytes(uint32_t type) const {
  const auto found = values_.find(type);
  return found == values_.end() ? nullptr : &found->second;
}

}  // namespace kq::store
