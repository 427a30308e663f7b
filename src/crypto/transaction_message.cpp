#include "crypto/transaction_message.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/byte_reader.h"

namespace kq {

namespace {

constexpr size_t kLengthDigits = 16;

struct Verdict {
  uint32_t code = 0;
  bool final = true;  // no further bytes can change the verdict to 0
};

struct FieldCodes {
  uint32_t noTag;
  uint32_t wrongTag;
  uint32_t noLength;
  uint32_t notDigit;
};

bool IsDigit(uint8_t byte) {
  return byte >= '0' && byte <= '9';
}

// Reads a tag and its 16-digit length; nothing when both are there and well formed. A part that is
// cut short gives its "no room" code, which is final only when a byte already there is wrong.
std::optional<Verdict> ReadFieldHeader(ByteReader& reader, std::string_view tag,
                                       const FieldCodes& codes, uint64_t& length) {
  std::span<const uint8_t> part;
  if (!reader.take(tag.size(), part)) {
    part = reader.rest();
    const bool wrong = !part.empty() && part[0] != static_cast<uint8_t>(tag[0]);
    return Verdict{codes.noTag, wrong};
  }
  if (part[0] != static_cast<uint8_t>(tag[0]) || part[1] != static_cast<uint8_t>(tag[1])) {
    return Verdict{codes.wrongTag, true};
  }
  if (!reader.take(kLengthDigits, part)) {
    part = reader.rest();
    const bool wrong = std::any_of(part.begin(), part.end(), [](uint8_t b) { return !IsDigit(b); });
    return Verdict{codes.noLength, wrong};
  }
  length = 0;
  for (const uint8_t digit : part) {
    if (!IsDigit(digit)) {
      return Verdict{codes.notDigit, true};
    }
    length = length * 10 + (digit - '0');  // 16 digits stay below 10^16 < 2^64
  }
  return std::nullopt;
}

Verdict Judge(std::span<const uint8_t> bytes) {
  ByteReader reader(bytes);
  uint64_t length = 0;
  if (bytes.size() < 2) {
    return {10, !bytes.empty() && bytes[0] != '0'};
  }
  if (auto verdict = ReadFieldHeader(reader, "02", {10, 11, 12, 13}, length)) {
    return *verdict;
  }
  if (length != 4) {
    return {14, true};
  }
  if (!reader.skip(4)) {
    return {15, false};
  }
  if (auto verdict = ReadFieldHeader(reader, "01", {21, 22, 23, 24}, length)) {
    return *verdict;
  }
  if (reader.remaining() < length) {
    return {25, false};
  }
  if (!reader.skip(static_cast<size_t>(length))) {
    return {25, false};
  }
  if (auto verdict = ReadFieldHeader(reader, "00", {31, 32, 33, 34}, length)) {
    return *verdict;
  }
  if (reader.remaining() != length) {
    // Too few bytes may still be completed; too many never shrink.
    return {35, reader.remaining() > length};
  }
  return {0, false};
}

}  // namespace

uint32_t CheckTransactionMessage(std::span<const uint8_t> bytes) {
  return Judge(bytes).code;
}

bool CanBeginTransactionMessage(std::span<const uint8_t> bytes) {
  const Verdict verdict = Judge(bytes);
  return verdict.code == 0 || !verdict.final;
}

void TransactionMessageCandidate::Append(std::span<const uint8_t> data) {
  if (!possible_ || data.empty()) {
    return;
  }
  if (bytes_.size() + uint64_t{data.size()} > kMaxMessageLength) {
    possible_ = false;
  } else {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    possible_ = CanBeginTransactionMessage(bytes_);
  }
  if (!possible_) {
    std::vector<uint8_t>().swap(bytes_);
  }
}

std::span<const uint8_t> TransactionMessageCandidate::Message() const {
  if (possible_ && CheckTransactionMessage(bytes_) == 0) {
    return bytes_;
  }
  return {};
}

void TransactionMessageCandidate::Reset() {
  std::vector<uint8_t>().swap(bytes_);
  possible_ = true;
}

}  // namespace kq
