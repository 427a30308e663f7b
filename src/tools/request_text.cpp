#include "tools/request_text.h"

#include <array>

#include "tools/subject_text.h"
#include "tools/text_fields.h"

namespace kq::tools {

namespace {

struct Keyword {
  std::string_view text;
  uint32_t value;
};
constexpr std::array<Keyword, 3> kKeyTypes = {{{"RSA1024", 1}, {"RSA2048", 2}, {"SM2", 3}}};
constexpr std::array<Keyword, 6> kHashes = {
    {{"MD5", 1}, {"SHA1", 2}, {"SHA256", 3}, {"SHA384", 4}, {"SHA512", 5}, {"SM3", 6}}};
constexpr std::array<Keyword, 3> kUsages = {{{"1", 1}, {"2", 2}, {"3", 3}}};

template <size_t N>
std::optional<uint32_t> Lookup(const std::array<Keyword, N>& table, std::string_view field) {
  for (const Keyword& keyword : table) {
    if (SameKeyword(field, keyword.text)) {
      return keyword.value;
    }
  }
  return std::nullopt;
}

std::optional<CertificateRequestRecord> ParseRecord(std::string_view record) {
  // Three "|" separate four fields (a fourth "|" would leave no usage that the table names).
  const std::vector<std::string_view> pieces = SplitAt(record, "|");
  if (pieces.size() != 4) {
    return std::nullopt;
  }
  std::array<std::string_view, 4> fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    fields[i] = TrimBlanks(pieces[i]);
  }

  CertificateRequestRecord parsed;
  parsed.dnText = std::string(fields[0]);
  auto components = ParseDnText(fields[0]);
  const auto keyType = Lookup(kKeyTypes, fields[1]);
  const auto hash = Lookup(kHashes, fields[2]);
  const auto usage = Lookup(kUsages, fields[3]);
  if (!components || !keyType || !hash || !usage) {
    return std::nullopt;
  }
  bool signatureMark = false;
  bool exchangeMark = false;
  for (const DnComponent& component : *components) {
    if (SameKeyword(component.type, "T")) {
      signatureMark = signatureMark || SameKeyword(component.value, "S");
      exchangeMark = exchangeMark || SameKeyword(component.value, "Ex");
    }
  }
  const bool marksFit = (*usage == 1 && !signatureMark && !exchangeMark) ||
                        (*usage == 2 && signatureMark) || (*usage == 3 && exchangeMark);
  if (!marksFit) {
    return std::nullopt;
  }
  // The request holds each value as UTF-8; the DN text kept with the key objects stays as given.
  for (DnComponent& component : *components) {
    auto value = SubjectTextAsUtf8(component.value);
    if (!value) {
      return std::nullopt;
    }
    component.value = std::move(*value);
  }
  parsed.components = std::move(*components);
  parsed.keyType = static_cast<RequestKeyType>(*keyType);
  parsed.hash = static_cast<RequestHash>(*hash);
  parsed.usage = *usage;
  if (parsed.keyType == RequestKeyType::kSm2 && parsed.hash != RequestHash::kSm3) {
    return std::nullopt;
  }
  return parsed;
}

}  // namespace

std::optional<std::vector<CertificateRequestRecord>> ParseRequestText(std::string_view text) {
  std::vector<CertificateRequestRecord> records;
  for (std::string_view piece : SplitAt(text, "||")) {
    const std::string_view record = TrimBlanks(piece);
    if (record.empty()) {
      break;  // an empty record ends the list
    }
    auto parsed = ParseRecord(record);
    if (!parsed) {
      return std::nullopt;
    }
    records.push_back(std::move(*parsed));
  }
  return records;
}

}  // namespace kq::tools
