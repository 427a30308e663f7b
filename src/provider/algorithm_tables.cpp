#include "provider/algorithm_tables.h"

#include <cstring>
#include <string_view>

namespace kq::provider {

namespace {

struct AlgorithmRow {
  uint32_t algId;
  uint32_t defaultBits;
  uint32_t minBits;
  uint32_t maxBits;
  uint32_t protocols;
  std::string_view name;
  std::string_view longName;
};

constexpr uint32_t kSigning = 0x20;
constexpr uint32_t kSigningIpsecSsl3 = 0x34;

constexpr AlgorithmRow kRows[kAlgorithmCount] = {
    {0x6601, 56, 56, 56, 0, "DES", "Data Encryption Standard (DES)"},
    {0x6603, 168, 168, 168, 0, "3DES", "Three Key Triple DES"},
    {0x8003, 128, 128, 128, kSigning, "MD5", "Message Digest 5 (MD5)"},
    {0x8004, 160, 160, 160, kSigning, "SHA-1", "Secure Hash Algorithm (SHA-1)"},
    {0x8008, 288, 288, 288, 0, "SSL3 SHAMD5", "SSL3 SHAMD5"},
    {0x800C, 256, 256, 256, kSigning, "SHA-256", "Secure Hash Algorithm 256 (SHA-256)"},
    {0x800D, 384, 384, 384, kSigning, "SHA-384", "Secure Hash Algorithm 384 (SHA-384)"},
    {0x800E, 512, 512, 512, kSigning, "SHA-512", "Secure Hash Algorithm 512 (SHA-512)"},
    {0x2400, 1024, 1024, 2048, kSigningIpsecSsl3, "RSA_SIGN", "RSA Signature"},
    {0xA400, 1024, 1024, 2048, kSigningIpsecSsl3, "RSA_KEYX", "RSA Key Exchange"},
};

// Writes 32-bit numbers in host order, as the C structures hold them.
template <size_t N>
class RecordWriter {
 public:
  explicit RecordWriter(std::array<uint8_t, N>& out) : out_(out) {}
  void Number(uint32_t value) {
    std::memcpy(out_.data() + at_, &value, sizeof value);
    at_ += sizeof value;
  }
  // The name with its terminator counted, then zeros up to the field's size.
  void Name(std::string_view name, size_t field) {
    std::memcpy(out_.data() + at_, name.data(), name.size());
    at_ += field;
  }

 private:
  std::array<uint8_t, N>& out_;
  size_t at_ = 0;
};

uint32_t NameLength(std::string_view name) {
  return static_cast<uint32_t>(name.size() + 1);
}

}  // namespace

std::array<uint8_t, kEnumAlgsRecordSize> EnumAlgsRecord(uint32_t row) {
  std::array<uint8_t, kEnumAlgsRecordSize> out{};
  const AlgorithmRow& a = kRows[row % kAlgorithmCount];
  RecordWriter writer(out);
  writer.Number(a.algId);
  writer.Number(a.defaultBits);
  writer.Number(NameLength(a.name));
  writer.Name(a.name, 20);
  return out;
}

std::array<uint8_t, kEnumAlgsExRecordSize> EnumAlgsExRecord(uint32_t row) {
  std::array<uint8_t, kEnumAlgsExRecordSize> out{};
  const AlgorithmRow& a = kRows[row % kAlgorithmCount];
  RecordWriter writer(out);
  writer.Number(a.algId);
  writer.Number(a.defaultBits);
  writer.Number(a.minBits);
  writer.Number(a.maxBits);
  writer.Number(a.protocols);
  writer.Number(NameLength(a.name));
  writer.Name(a.name, 20);
  writer.Number(NameLength(a.longName));
  writer.Name(a.longName, 40);
  return out;
}

}  // namespace kq::provider
