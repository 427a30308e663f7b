#include "crypto/hash_alg.h"

#include <array>
#include <cstring>

namespace kq {
namespace {

struct NamedHash {
  std::string_view name;
  HashAlg alg;
};

// Tried in this order; "SHA1" must come before the longer SHA names it does not prefix anyway.
constexpr std::array<NamedHash, 6> kNames = {{
    {"SHA1", HashAlg::kSha1},
    {"SHA256", HashAlg::kSha256},
    {"SHA384", HashAlg::kSha384},
    {"SHA512", HashAlg::kSha512},
    {"MD5", HashAlg::kMd5},
    {"SM3", HashAlg::kSm3},
}};

constexpr std::array<CryptoApiHash, 6> kCryptoApiHashes = {{
    {kCalgMd5, HashAlg::kMd5, 16, true},
    {kCalgSha1, HashAlg::kSha1, 20, true},
    {kCalgSsl3ShaMd5, HashAlg::kSsl3ShaMd5, 36, false},
    {kCalgSha256, HashAlg::kSha256, 32, true},
    {kCalgSha384, HashAlg::kSha384, 48, true},
    {kCalgSha512, HashAlg::kSha512, 64, true},
}};

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool BeginsWith(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(text[i]) != prefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<HashAlg> HashAlgFromNumber(uint32_t number) {
  if (number > static_cast<uint32_t>(HashAlg::kSm3)) {
    return std::nullopt;
  }
  return static_cast<HashAlg>(number);
}

std::optional<HashAlg> HashAlgFromName(std::string_view name) {
  for (const NamedHash& entry : kNames) {
    if (BeginsWith(name, entry.name)) {
      return entry.alg;
    }
  }
  return std::nullopt;
}

bool HashAlgFromName(const char* name, int32_t nameLength, HashAlg* alg) {
  if (name == nullptr || nameLength <= 0 || alg == nullptr) {
    return false;
  }
  // The text ends at the given length or at its NUL, whichever comes first.
  const void* nul = std::memchr(name, 0, static_cast<size_t>(nameLength));
  const size_t size = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - name)
                                     : static_cast<size_t>(nameLength);
  const std::optional<HashAlg> found = HashAlgFromName(std::string_view(name, size));
  if (!found) {
    return false;
  }
  *alg = *found;
  return true;
}

const CryptoApiHash* FindCryptoApiHash(uint32_t algId) {
  for (const CryptoApiHash& entry : kCryptoApiHashes) {
    if (entry.algId == algId) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace kq
