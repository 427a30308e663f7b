#pragma once
// The request text of KQ_CreatePKCS10: records joined by "||", each "subject DN|key type|hash|
// device usage". The DN is a list of TYPE=value components joined by "," (types CN, OU, T, O, C);
// a "T" component with value "S" or "Ex" marks a signature or exchange request. Values come as
// UTF-8 or in code page 936; the parsed components hold them in UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pki/dn_text.h"

namespace kq::tools {

enum class RequestKeyType : uint32_t { kRsa1024 = 1, kRsa2048 = 2, kSm2 = 3 };
enum class RequestHash : uint32_t {
  kMd5 = 1,
  kSha1 = 2,
  kSha256 = 3,
  kSha384 = 4,
  kSha512 = 5,
  kSm3 = 6
};

struct CertificateRequestRecord {
  std::string dnText;  // the DN field as given (trimmed)
  std::vector<DnComponent> components;
  RequestKeyType keyType = RequestKeyType::kRsa1024;
  RequestHash hash = RequestHash::kSha1;
  uint32_t usage = 1;  // 1 exchange-only DN, 2 signature ("T=S"), 3 exchange ("T=Ex")
};

// Parses the whole text; empty on any syntax or rule violation. The number of records is not
// checked here.
[[nodiscard]] std::optional<std::vector<CertificateRequestRecord>> ParseRequestText(
    std::string_view text);

}  // namespace kq::tools
