#pragma once
// A PUBLICKEYBLOB as CryptoAPI callers pass it to CPImportKey.

#include <cstdint>
#include <vector>

namespace kq::test {

// bits/8 modulus bytes of the pattern given, least significant first, exponent 65537.
inline std::vector<uint8_t> PublicKeyBlob(uint32_t algId, uint32_t bits, uint8_t pattern = 0xA5) {
  std::vector<uint8_t> blob = {6, 2, 0, 0};
  auto le32 = [&blob](uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
  };
  le32(algId);
  le32(0x31415352);  // "RSA1"
  le32(bits);
  le32(65537);
  for (uint32_t i = 0; i < bits / 8; ++i) {
    blob.push_back(static_cast<uint8_t>(pattern + i));
  }
  return blob;
}

}  // namespace kq::test
