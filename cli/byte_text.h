#pragma once
// Binary values on the command line and in files: hexadecimal, base64 (mbed TLS), PEM, and
// whole files read or written at once.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::cli {

std::string HexText(std::span<const uint8_t> bytes);
// Hex digits, blanks and colons between them allowed; nothing when a digit is odd or wrong.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view text);

std::string Base64Text(std::span<const uint8_t> bytes);
// Standard alphabet; blanks and line ends are skipped.
std::optional<std::vector<uint8_t>> ParseBase64(std::string_view text);

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);
bool WriteFileText(const std::string& path, std::string_view text);

// A certificate in a file or text: DER, PEM ("-----BEGIN CERTIFICATE-----") or bare base64.
std::optional<std::vector<uint8_t>> CertificateDer(std::span<const uint8_t> content);
// DER as a PEM certificate text.
std::string CertificatePem(std::span<const uint8_t> der);

std::span<const uint8_t> AsBytes(std::string_view text);

}  // namespace kq::cli

namespace kq::cli {

// Texts of the tool exports are code page 936; the terminal and JSON are UTF-8.
std::string Cp936ToUtf8(std::string_view bytes);
std::string Utf8ToCp936(std::string_view text);

}  // namespace kq::cli
