#include "softkey/key_pair.h"

#include <mbedtls/md.h>
#include <mbedtls/pk.h>
#include <mbedtls/rsa.h>

#include <array>
#include <cstring>

#include "common/codes_device.h"
#include "crypto/sm2_prepare.h"
#include "softkey/random_source.h"
#include "softkey/sm2_key_file.h"
#include "softkey/sm2_key_pair.h"

namespace kq::sim {

namespace {

constexpr std::array<std::pair<KeyAlgorithm, std::string_view>, 3> kAlgorithmNames = {{
    {KeyAlgorithm::kRsa1024, "rsa1024"},
    {KeyAlgorithm::kRsa2048, "rsa2048"},
    {KeyAlgorithm::kSm2, "sm2"},
}};

constexpr uint32_t kSsl3DigestSize = 36;
constexpr uint32_t kSm2HashAlg = 6;

// The mbed TLS digest of hash numbers 1 to 5; MBEDTLS_MD_NONE for 0 (the raw SSL3 value).
std::optional<mbedtls_md_type_t> DigestType(uint32_t hashAlg) {
  switch (hashAlg) {
    case 0:
      return MBEDTLS_MD_NONE;
    case 1:
      return MBEDTLS_MD_SHA1;
    case 2:
      return MBEDTLS_MD_SHA256;
    case 3:
      return MBEDTLS_MD_SHA384;
    case 4:
      return MBEDTLS_MD_SHA512;
    case 5:
      return MBEDTLS_MD_MD5;
    default:
      return std::nullopt;
  }
}

class PkContext {
 public:
  PkContext() { mbedtls_pk_init(&pk_); }
  PkContext(const PkContext&) = delete;
  PkContext& operator=(const PkContext&) = delete;
  ~PkContext() { mbedtls_pk_free(&pk_); }
  mbedtls_pk_context* get() { return &pk_; }

 private:
  mbedtls_pk_context pk_;
};

}  // namespace

std::string_view KeyAlgorithmName(KeyAlgorithm algorithm) {
  for (const auto& [known, name] : kAlgorithmNames) {
    if (known == algorithm) {
      return name;
    }
  }
  return "?";
}

std::optional<KeyAlgorithm> KeyAlgorithmFromName(std::string_view name) {
  for (const auto& [algorithm, known] : kAlgorithmNames) {
    if (known == name) {
      return algorithm;
    }
  }
  return std::nullopt;
}

uint32_t KeyAlgorithmBits(KeyAlgorithm algorithm) {
  switch (algorithm) {
    case KeyAlgorithm::kRsa1024:
      return 1024;
    case KeyAlgorithm::kRsa2048:
      return 2048;
    case KeyAlgorithm::kSm2:
      return 256;
  }
  return 0;
}

std::optional<KeyAlgorithm> KeyAlgorithmFromBits(uint32_t bits) {
  for (const auto& [algorithm, name] : kAlgorithmNames) {
    if (KeyAlgorithmBits(algorithm) == bits) {
      return algorithm;
    }
  }
  return std::nullopt;
}

// RSA keys live in an mbed TLS pk context (so they read and write PEM); SM2 keys in their own
// class, since mbed TLS 2.28 knows no SM2 curve.
struct KeyPair::State {
  PkContext rsa;
  std::optional<Sm2KeyPair> sm2;
};

KeyPair::KeyPair(KeyAlgorithm algorithm, std::unique_ptr<State> state)
    : algorithm_(algorithm), state_(std::move(state)) {}
KeyPair::KeyPair(KeyPair&&) noexcept = default;
KeyPair& KeyPair::operator=(KeyPair&&) noexcept = default;
KeyPair::~KeyPair() = default;

std::optional<KeyPair> KeyPair::Generate(KeyAlgorithm algorithm) {
  auto state = std::make_unique<State>();
  if (algorithm == KeyAlgorithm::kSm2) {
    state->sm2 = Sm2KeyPair::Generate();
    if (!state->sm2) {
      return std::nullopt;
    }
    return KeyPair(algorithm, std::move(state));
  }
  mbedtls_pk_context* pk = state->rsa.get();
  if (mbedtls_pk_setup(pk, mbedtls_pk_info_from_type(MBEDTLS_PK_RSA)) != 0 ||
      mbedtls_rsa_gen_key(mbedtls_pk_rsa(*pk), RandomCallback, nullptr, KeyAlgorithmBits(algorithm),
                          65537) != 0) {
    return std::nullopt;
  }
  return KeyPair(algorithm, std::move(state));
}

std::optional<KeyPair> KeyPair::FromPem(std::string_view pem) {
  auto state = std::make_unique<State>();
  const std::string text(pem);  // mbed TLS wants the PEM NUL-terminated, NUL counted
  mbedtls_pk_context* pk = state->rsa.get();
  if (mbedtls_pk_parse_key(pk, reinterpret_cast<const unsigned char*>(text.c_str()),
                           text.size() + 1, nullptr, 0) == 0) {
    if (mbedtls_pk_get_type(pk) != MBEDTLS_PK_RSA) {
      return std::nullopt;
    }
    const std::optional<KeyAlgorithm> algorithm =
        KeyAlgorithmFromBits(static_cast<uint32_t>(mbedtls_pk_get_bitlen(pk)));
    if (!algorithm || *algorithm == KeyAlgorithm::kSm2 ||
        mbedtls_rsa_check_privkey(mbedtls_pk_rsa(*pk)) != 0) {
      return std::nullopt;
    }
    return KeyPair(*algorithm, std::move(state));
  }
  std::optional<SecretBytes> d = ParseSm2PrivateKeyPem(pem);
  if (!d) {
    return std::nullopt;
  }
  state->sm2 = Sm2KeyPair::FromPrivate({d->data(), d->size()});
  if (!state->sm2) {
    return std::nullopt;
  }
  return KeyPair(KeyAlgorithm::kSm2, std::move(state));
}

std::optional<std::string> KeyPair::ToPem() const {
  if (state_->sm2) {
    return EncodeSm2PrivateKeyPem(*state_->sm2);
  }
  SecretBytes text(16000);
  if (mbedtls_pk_write_key_pem(state_->rsa.get(), text.data(), text.size()) != 0) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(text.data()));
}

std::vector<uint8_t> KeyPair::PublicFirst() const {
  if (state_->sm2) {
    const Sm2Coordinate x = state_->sm2->x();
    return {x.begin(), x.end()};
  }
  const mbedtls_rsa_context* rsa = mbedtls_pk_rsa(*state_->rsa.get());
  std::vector<uint8_t> modulus(mbedtls_rsa_get_len(rsa));
  if (mbedtls_mpi_write_binary(&rsa->N, modulus.data(), modulus.size()) != 0) {
    return {};
  }
  return modulus;
}

std::vector<uint8_t> KeyPair::PublicSecond() const {
  if (state_->sm2) {
    const Sm2Coordinate y = state_->sm2->y();
    return {y.begin(), y.end()};
  }
  const mbedtls_rsa_context* rsa = mbedtls_pk_rsa(*state_->rsa.get());
  std::vector<uint8_t> exponent(4);
  if (mbedtls_mpi_write_binary(&rsa->E, exponent.data(), exponent.size()) != 0) {
    return {};
  }
  return exponent;
}

uint32_t KeyPair::SignDigest(uint32_t hashAlg, std::span<const uint8_t> digest,
                             std::vector<uint8_t>& signature) const {
  if (state_->sm2) {
    if (hashAlg != kSm2HashAlg) {
      return dev::kSwWrongData;
    }
    if (digest.size() != kSm2FieldSize) {
      return dev::kSwWrongLength;
    }
    const std::optional<Sm2Signature> rs = state_->sm2->Sign(digest);
    if (!rs) {
      return dev::kSwUnknown;
    }
    signature.assign(rs->begin(), rs->end());
    return dev::kOk;
  }
  const std::optional<mbedtls_md_type_t> type = DigestType(hashAlg);
  if (!type) {
    return dev::kSwWrongData;
  }
  const size_t expected = *type == MBEDTLS_MD_NONE
                              ? kSsl3DigestSize
                              : mbedtls_md_get_size(mbedtls_md_info_from_type(*type));
  if (digest.size() != expected) {
    return dev::kSwWrongLength;
  }
  mbedtls_rsa_context* rsa = mbedtls_pk_rsa(*state_->rsa.get());
  signature.assign(mbedtls_rsa_get_len(rsa), 0);
  if (mbedtls_rsa_pkcs1_sign(rsa, RandomCallback, nullptr, MBEDTLS_RSA_PRIVATE, *type,
                             static_cast<unsigned int>(digest.size()), digest.data(),
                             signature.data()) != 0) {
    signature.clear();
    return dev::kSwUnknown;
  }
  return dev::kOk;
}

uint32_t KeyPair::PublicOperation(std::span<const uint8_t> input,
                                  std::vector<uint8_t>& output) const {
  if (state_->sm2) {
    return dev::kSwWrongData;
  }
  mbedtls_rsa_context* rsa = mbedtls_pk_rsa(*state_->rsa.get());
  if (input.size() != mbedtls_rsa_get_len(rsa)) {
    return dev::kSwWrongLength;
  }
  output.assign(input.size(), 0);
  if (mbedtls_rsa_public(rsa, input.data(), output.data()) != 0) {
    output.clear();
    return dev::kSwWrongData;  // the block is not below the modulus
  }
  return dev::kOk;
}

std::optional<std::vector<uint8_t>> MessageDigest(const KeyPair& pair, uint32_t hashAlg,
                                                  std::span<const uint8_t> message) {
  if (pair.algorithm() == KeyAlgorithm::kSm2) {
    if (hashAlg != kSm2HashAlg) {
      return std::nullopt;
    }
    const std::vector<uint8_t> x = pair.PublicFirst();
    const std::vector<uint8_t> y = pair.PublicSecond();
    if (x.size() != kSm2FieldSize || y.size() != kSm2FieldSize) {
      return std::nullopt;
    }
    const Sm3Digest e = Sm2MessageDigest(
        std::span<const uint8_t, kSm2CoordinateSize>(x.data(), kSm2CoordinateSize),
        std::span<const uint8_t, kSm2CoordinateSize>(y.data(), kSm2CoordinateSize), message);
    return std::vector<uint8_t>(e.begin(), e.end());
  }
  const auto run = [&message](mbedtls_md_type_t type) -> std::optional<std::vector<uint8_t>> {
    const mbedtls_md_info_t* info = mbedtls_md_info_from_type(type);
    std::vector<uint8_t> digest(mbedtls_md_get_size(info));
    if (mbedtls_md(info, message.data(), message.size(), digest.data()) != 0) {
      return std::nullopt;
    }
    return digest;
  };
  if (hashAlg == 0) {
    // The SSL3 pair: MD5 followed by SHA-1.
    std::optional<std::vector<uint8_t>> md5 = run(MBEDTLS_MD_MD5);
    std::optional<std::vector<uint8_t>> sha1 = run(MBEDTLS_MD_SHA1);
    if (!md5 || !sha1) {
      return std::nullopt;
    }
    md5->insert(md5->end(), sha1->begin(), sha1->end());
    return md5;
  }
  const std::optional<mbedtls_md_type_t> type = DigestType(hashAlg);
  if (!type) {
    return std::nullopt;
  }
  return run(*type);
}

}  // namespace kq::sim
