// CPImportKey's blob parser: every truncated prefix of a valid blob is refused without reading past
// it, and the blobs it accepts give the key objects CryptoAPI callers expect.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "provider/key_operations.h"
#include "provider/provider_last_error.h"

namespace kq::provider {
namespace {

std::vector<uint8_t> Blob(std::initializer_list<uint8_t> header, uint32_t a, uint32_t b, uint32_t c,
                          size_t tail) {
  std::vector<uint8_t> blob(header);
  for (const uint32_t v : {a, b, c}) {
    for (int i = 0; i < 4; ++i) {
      blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
  }
  for (size_t i = 0; i < tail; ++i) {
    blob.push_back(static_cast<uint8_t>(i + 1));
  }
  return blob;
}

// Imports from an exactly sized heap copy, so ASan sees any read past the end.
uint32_t Import(ProviderContext& context, const std::vector<uint8_t>& bytes, size_t length,
                uint32_t flags = 0, KqHandle* handle = nullptr) {
  auto exact = std::make_unique<uint8_t[]>(length == 0 ? 1 : length);
  std::copy_n(bytes.begin(), length, exact.get());
  KqHandle out = 0;
  ImportKeyOn(context, exact.get(), static_cast<uint32_t>(length), 0, flags,
              handle != nullptr ? handle : &out);
  return ProviderLastError();
}

TEST(KeyImport, EveryTruncatedPrefixOfAValidBlobIsRefused) {
  ProviderContext context(1);
  // PUBLICKEYBLOB, CALG_RSA_SIGN, "RSA1", 1024 bits, exponent 65537, 128 modulus bytes.
  const auto publicBlob = Blob({6, 2, 0, 0, 0x00, 0x24, 0, 0}, 0x31415352, 1024, 65537, 128);
  // PLAINTEXTKEYBLOB, CALG_DES, 8 key bytes.
  const auto plainBlob = Blob({8, 2, 0, 0, 0x01, 0x66, 0, 0}, 8, 0, 0, 0);
  const std::vector<uint8_t> plain(plainBlob.begin(), plainBlob.begin() + 12 + 8);
  for (const auto* blob : {&publicBlob, &plain}) {
    EXPECT_EQ(Import(context, *blob, blob->size()), 0u);
    for (size_t length = 0; length < blob->size(); ++length) {
      EXPECT_EQ(Import(context, *blob, length), win::kNteBadData) << length;
    }
  }
}

TEST(KeyImport, AcceptedBlobsGiveTheirKeyObjects) {
  ProviderContext context(1);
  KqHandle handle = 0;
  const auto publicBlob = Blob({6, 2, 0, 0, 0x00, 0xA4, 0, 0}, 0x31415352, 1024, 3, 128);
  ASSERT_EQ(Import(context, publicBlob, publicBlob.size(), 0, &handle), 0u);
  const KeyObject* key = context.FindKey(handle);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->keyFileId, kImportedKeyxFileId);
  EXPECT_EQ(key->keyBits, 1024u);
  ASSERT_TRUE(key->publicKey.has_value());
  EXPECT_EQ(key->publicKey->exponent, (std::array<uint8_t, 4>{0, 0, 0, 3}));
  EXPECT_EQ(key->publicKey->modulus[0], 128);  // most significant byte: the blob's last
  EXPECT_EQ(key->publicKey->modulus[127], 1);
}

TEST(KeyImport, RefusedBlobsReportTheirReasons) {
  ProviderContext context(1);
  EXPECT_EQ(Import(context, Blob({6, 3, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 20), win::kNteBadVer);
  EXPECT_EQ(Import(context, Blob({7, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 20), win::kENotImpl);
  EXPECT_EQ(Import(context, Blob({1, 2, 0, 0, 1, 0x66, 0, 0}, 0xA400, 0, 0, 0), 20),
            win::kNteBadPublicKey);  // SIMPLEBLOB without an exchange key
  EXPECT_EQ(Import(context, Blob({9, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 0, 0, 0), 20), win::kNteBadData);
  // More than 2048 bits do not fit the record; an unknown algorithm is refused.
  EXPECT_EQ(Import(context, Blob({6, 2, 0, 0, 0, 0xA4, 0, 0}, 0, 4096, 3, 512), 532),
            win::kNteBadData);
  EXPECT_EQ(Import(context, Blob({6, 2, 0, 0, 0, 0x66, 0, 0}, 0, 1024, 3, 128), 148),
            win::kNteBadData);
  // A plain key of 17 bytes needs CRYPT_IPSEC_HMAC_KEY; 33 bytes never fit.
  auto plain = Blob({8, 2, 0, 0, 0x01, 0x68, 0, 0}, 17, 0, 0, 0);
  plain.resize(12 + 17, 1);
  EXPECT_EQ(Import(context, plain, plain.size()), win::kNteBadData);
  EXPECT_EQ(Import(context, plain, plain.size(), 0x100), 0u);
  plain = Blob({8, 2, 0, 0, 0x01, 0x68, 0, 0}, 33, 0, 0, 0);
  plain.resize(12 + 33, 1);
  EXPECT_EQ(Import(context, plain, plain.size(), 0x100), win::kNteBadData);
  KqHandle* none = nullptr;
  EXPECT_EQ(ImportKeyOn(context, plain.data(), 45, 0, 0, none), 0);
  EXPECT_EQ(ProviderLastError(), win::kNteInvalidParameter);
}

}  // namespace
}  // namespace kq::provider
