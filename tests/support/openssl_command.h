#pragma once
// The `openssl` command as a verifier and key maker nobody here wrote, and base64 for the DER
// that the tool exports take and give.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_command.h"
#include "support/temp_directory.h"

namespace kq::test {

// `openssl <arguments>` with its output captured.
CommandResult RunOpenssl(const std::vector<std::string>& arguments, std::string_view input = {});
// `openssl <arguments>`, the arguments separated by blanks (none may contain one); true on exit
// status 0. On failure, the command and its output are in *failure when given.
bool RunOpenssl(const std::string& arguments, std::string* failure = nullptr);

// Base64 without line breaks, as the tool exports take and give DER; empty when `text` is not
// base64.
std::string ToBase64(std::span<const uint8_t> bytes);
std::vector<uint8_t> FromBase64(std::string_view text);

// `openssl pkeyutl -verify -rawin -digest sm3` of an SM2 signature (r || s) over a message with
// the identity "1234567812345678".
bool OpensslVerifySm2(const std::string& publicKeyPem, std::span<const uint8_t> message,
                      std::span<const uint8_t> rs);

}  // namespace kq::test
