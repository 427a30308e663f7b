// CPImportKey's blob parser: every truncated prefix of a valid blob is refused without reading past
// it, and refused blobs give their reasons. Accepted keys verify signatures in the integration
// tests.
#include <gtest/gtest.h>

#include <vector>

#include "common/codes_cryptoapi.h"
#include "provider/key_operations.h"
#include "provider/provider_last_error.h"
#include "support/exact_buffer.h"

namespace kq::provider {
namespace {

// The 8-byte header, three little-endian words, then `tail` bytes 1, 2, 3, ...
std::vector<uint8_t> Blob(std::initializer_list<uint8_t> header, uint32_t a, uint32_t b, uint32_t c,
                          size_t tail) {
  std::vector<uint8_t> blob(header);
  for (const uint32_t v : {a, b, c}) {
    blob.insert(blob.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  }
  for (size_t i = 0; i < tail; ++i) {
    blob.push_back(static_cast<uint8_t>(i + 1));
  }
  return blob;
}

uint32_t Import(ProviderContext& context, std::span<const uint8_t> bytes, uint32_t flags = 0) {
  KqHandle out = 0;
  ImportKeyOn(context, bytes.data(), static_cast<uint32_t>(bytes.size()), 0, flags, &out);
  return ProviderLastError();
}

TEST(KeyImport, TruncatedAndRefusedBlobs) {
  ProviderContext context(1);
  // PUBLICKEYBLOB, CALG_RSA_SIGN, "RSA1", 1024 bits, exponent 65537; PLAINTEXTKEYBLOB, CALG_DES.
  const auto publicBlob = Blob({6, 2, 0, 0, 0x00, 0x24, 0, 0}, 0x31415352, 1024, 65537, 128);
  const auto plainBlob = Blob({8, 2, 0, 0, 0x01, 0x66, 0, 0}, 8, 0, 0, 0);
  const std::vector<uint8_t> plain(plainBlob.begin(), plainBlob.begin() + 12 + 8);
  for (const auto* blob : {&publicBlob, &plain}) {
    EXPECT_EQ(Import(context, test::ExactBuffer(*blob).span()), 0u);
    test::ForEachTruncatedPrefix(*blob, [&](std::span<const uint8_t> prefix, size_t n) {
      EXPECT_EQ(Import(context, prefix), win::kNteBadData) << n;
    });
  }
  // A plain key of 17 bytes needs CRYPT_IPSEC_HMAC_KEY (0x100); 33 bytes never fit.
  auto hmac17 = Blob({8, 2, 0, 0, 0x01, 0x68, 0, 0}, 17, 0, 0, 0);
  auto hmac33 = Blob({8, 2, 0, 0, 0x01, 0x68, 0, 0}, 33, 0, 0, 0);
  hmac17.resize(12 + 17, 1);
  hmac33.resize(12 + 33, 1);
  const std::tuple<std::vector<uint8_t>, uint32_t, uint32_t> cases[] = {
      {Blob({6, 3, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 0, win::kNteBadVer},
      {Blob({7, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 0, win::kENotImpl},
      {Blob({1, 2, 0, 0, 1, 0x66, 0, 0}, 0xA400, 0, 0, 0), 0, win::kNteBadPublicKey},  // SIMPLEBLOB
      {Blob({9, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 0, win::kNteBadData},
      {Blob({6, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 4096, 3, 512), 0, win::kNteBadData},  // over 2048 bits
      {Blob({6, 2, 0, 0, 0, 0x66, 0, 0}, 0, 1024, 3, 128), 0, win::kNteBadData},  // not RSA
      {hmac17, 0, win::kNteBadData},
      {hmac17, 0x100, 0},
      {hmac33, 0x100, win::kNteBadData}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& [blob, flags, result] = cases[i];
    EXPECT_EQ(Import(context, blob, flags), result) << i;
  }
  EXPECT_EQ(ImportKeyOn(context, hmac17.data(), 29, 0, 0x100, nullptr), 0);
  EXPECT_EQ(ProviderLastError(), win::kNteInvalidParameter);
}

}  // namespace
}  // namespace kq::provider
