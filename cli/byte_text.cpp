#include "byte_text.h"

#include <mbedtls/base64.h>

#include <fstream>
#include <iterator>

#include "common/hex_text.h"

namespace kq::cli {

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string HexText(std::span<const uint8_t> bytes) {
  return HexEncode(bytes, HexLetters::kLower);
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text) {
  return HexDecode(text, " :\n\r\t", HexSeparators::kAnywhere);
}

std::string Base64Text(std::span<const uint8_t> bytes) {
  size_t needed = 0;
  mbedtls_base64_encode(nullptr, 0, &needed, bytes.data(), bytes.size());
  std::string text(needed, '\0');
  size_t written = 0;
  if (mbedtls_base64_encode(reinterpret_cast<unsigned char*>(text.data()), text.size(), &written,
                            bytes.data(), bytes.size()) != 0) {
    return {};
  }
  text.resize(written);
  return text;
}

std::optional<std::vector<uint8_t>> ParseBase64(std::string_view text) {
  std::string compact;
  for (const char c : text) {
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') {
      compact.push_back(c);
    }
  }
  const auto* input = reinterpret_cast<const unsigned char*>(compact.data());
  size_t needed = 0;
  const int sized = mbedtls_base64_decode(nullptr, 0, &needed, input, compact.size());
  if (sized != 0 && sized != MBEDTLS_ERR_BASE64_BUFFER_TOO_SMALL) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(needed);
  size_t written = 0;
  if (mbedtls_base64_decode(bytes.data(), bytes.size(), &written, input, compact.size()) != 0) {
    return std::nullopt;
  }
  bytes.resize(written);
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  if (file.bad()) {
    return std::nullopt;
  }
  return bytes;
}

bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool WriteFileText(const std::string& path, std::string_view text) {
  return WriteFileBytes(path, AsBytes(text));
}

std::optional<std::vector<uint8_t>> CertificateDer(std::span<const uint8_t> content) {
  // DER begins with a SEQUENCE tag; text forms are printable.
  if (!content.empty() && content[0] == 0x30) {
    return std::vector<uint8_t>(content.begin(), content.end());
  }
  std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
  constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  if (const size_t begin = text.find(kBegin); begin != std::string_view::npos) {
    const size_t end = text.find(kEnd, begin);
    if (end == std::string_view::npos) {
      return std::nullopt;
    }
    text = text.substr(begin + kBegin.size(), end - begin - kBegin.size());
  }
  std::optional<std::vector<uint8_t>> der = ParseBase64(text);
  if (!der || der->empty() || (*der)[0] != 0x30) {
    return std::nullopt;
  }
  return der;
}

std::string CertificatePem(std::span<const uint8_t> der) {
  const std::string body = Base64Text(der);
  std::string pem = "-----BEGIN CERTIFICATE-----\n";
  for (size_t i = 0; i < body.size(); i += 64) {
    pem += body.substr(i, 64) + "\n";
  }
  return pem + "-----END CERTIFICATE-----\n";
}

}  // namespace kq::cli

#include "common/utf.h"
#include "platform/codepage.h"

namespace kq::cli {

std::string Cp936ToUtf8(std::string_view bytes) {
  std::u16string wide;
  if (!platform::Cp936ToWide(bytes, wide)) {
    return std::string(bytes);
  }
  return Utf16ToUtf8(wide);
}

std::string Utf8ToCp936(std::string_view text) {
  std::string bytes;
  if (!platform::WideToCp936(Utf8ToUtf16(text), bytes)) {
    return std::string(text);
  }
  return bytes;
}

}  // namespace kq::cli
