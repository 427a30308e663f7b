#include "softkey/sm2_key_pair.h"

#include "crypto/random_bytes.h"
#include "crypto/sm2_curve.h"
#include "softkey/random_source.h"

namespace kq::sim {

namespace {

bool WriteCoordinate(const mbedtls_mpi* value, uint8_t* out) {
  return mbedtls_mpi_write_binary(value, out, kSm2FieldSize) == 0;
}

}  // namespace

struct Sm2KeyPair::State {
  Mpi d;
  EcPoint q;
};

Sm2KeyPair::Sm2KeyPair(std::unique_ptr<State> state) : state_(std::move(state)) {}
Sm2KeyPair::Sm2KeyPair(Sm2KeyPair&&) noexcept = default;
Sm2KeyPair& Sm2KeyPair::operator=(Sm2KeyPair&&) noexcept = default;
Sm2KeyPair::~Sm2KeyPair() = default;

std::optional<Sm2KeyPair> Sm2KeyPair::FromPrivate(std::span<const uint8_t> d) {
  Sm2Curve curve;
  if (!curve.loaded() || d.size() > kSm2FieldSize) {
    return std::nullopt;
  }
  auto state = std::make_unique<State>();
  Mpi limit;  // n - 1: d must stay below it so that 1 + d is invertible
  if (mbedtls_mpi_read_binary(state->d.get(), d.data(), d.size()) != 0 ||
      mbedtls_mpi_sub_int(limit.get(), curve.order(), 1) != 0 ||
      mbedtls_mpi_cmp_int(state->d.get(), 1) < 0 ||
      mbedtls_mpi_cmp_mpi(state->d.get(), limit.get()) >= 0) {
    return std::nullopt;
  }
  if (mbedtls_ecp_mul(curve.get(), state->q.get(), state->d.get(), &curve.get()->G, RandomCallback,
                      nullptr) != 0) {
    return std::nullopt;
  }
  return Sm2KeyPair(std::move(state));
}

std::optional<Sm2KeyPair> Sm2KeyPair::Generate() {
  for (int attempt = 0; attempt < 16; ++attempt) {
    SecretBytes d(kSm2FieldSize);
    if (!kq::RandomBytes({d.data(), d.size()})) {
      return std::nullopt;
    }
    // Out-of-range values (about 2^-32 of them) are drawn again.
    std::optional<Sm2KeyPair> pair = FromPrivate({d.data(), d.size()});
    if (pair) {
      return pair;
    }
  }
  return std::nullopt;
}

Sm2Coordinate Sm2KeyPair::x() const {
  Sm2Coordinate out{};
  (void)WriteCoordinate(&state_->q.get()->X, out.data());
  return out;
}

Sm2Coordinate Sm2KeyPair::y() const {
  Sm2Coordinate out{};
  (void)WriteCoordinate(&state_->q.get()->Y, out.data());
  return out;
}

SecretBytes Sm2KeyPair::PrivateScalar() const {
  SecretBytes out(kSm2FieldSize);
  (void)WriteCoordinate(state_->d.get(), out.data());
  return out;
}

std::optional<Sm2Signature> Sm2KeyPair::Sign(std::span<const uint8_t> e) const {
  Sm2Curve curve;
  if (!curve.loaded() || e.size() != kSm2FieldSize) {
    return std::nullopt;
  }
  const mbedtls_mpi* n = curve.order();
  Mpi eValue, k, r, s, t, inverse, sum;
  EcPoint kG;
  if (mbedtls_mpi_read_binary(eValue.get(), e.data(), e.size()) != 0 ||
      mbedtls_mpi_add_int(t.get(), state_->d.get(), 1) != 0 ||
      mbedtls_mpi_inv_mod(inverse.get(), t.get(), n) != 0) {
    return std::nullopt;
  }
  for (int attempt = 0; attempt < 32; ++attempt) {
    // k in [1, n-1]; (x1, y1) = kG; r = (e + x1) mod n, retried when r = 0 or r + k = n.
    if (mbedtls_ecp_gen_privkey(curve.get(), k.get(), RandomCallback, nullptr) != 0 ||
        mbedtls_ecp_mul(curve.get(), kG.get(), k.get(), &curve.get()->G, RandomCallback, nullptr) !=
            0 ||
        mbedtls_mpi_add_mpi(sum.get(), eValue.get(), &kG.get()->X) != 0 ||
        mbedtls_mpi_mod_mpi(r.get(), sum.get(), n) != 0) {
      return std::nullopt;
    }
    if (mbedtls_mpi_cmp_int(r.get(), 0) == 0 ||
        mbedtls_mpi_add_mpi(sum.get(), r.get(), k.get()) != 0) {
      continue;
    }
    if (mbedtls_mpi_cmp_mpi(sum.get(), n) == 0) {
      continue;
    }
    // s = (1 + d)^-1 * (k - r*d) mod n, retried when s = 0.
    if (mbedtls_mpi_mul_mpi(t.get(), r.get(), state_->d.get()) != 0 ||
        mbedtls_mpi_sub_mpi(sum.get(), k.get(), t.get()) != 0 ||
        mbedtls_mpi_mod_mpi(t.get(), sum.get(), n) != 0 ||
        mbedtls_mpi_mul_mpi(sum.get(), inverse.get(), t.get()) != 0 ||
        mbedtls_mpi_mod_mpi(s.get(), sum.get(), n) != 0) {
      return std::nullopt;
    }
    if (mbedtls_mpi_cmp_int(s.get(), 0) == 0) {
      continue;
    }
    Sm2Signature signature{};
    if (!WriteCoordinate(r.get(), signature.data()) ||
        !WriteCoordinate(s.get(), signature.data() + kSm2FieldSize)) {
      return std::nullopt;
    }
    return signature;
  }
  return std::nullopt;
}

}  // namespace kq::sim
