#include "common/sm2_key_pair.h"

#include <mbedtls/bignum.h>
#include <mbedtls/ecp.h>

#include "common/random_source.h"
#include "crypto/random_bytes.h"

namespace kq::sim {

namespace {

// The recommended curve's parameters (GB/T 32918.5), big-endian hex.
constexpr char kP[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFF";
constexpr char kA[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFC";
constexpr char kB[] = "28E9FA9E9D9F5E344D5A9E4BCF6509A7F39789F515AB8F92DDBCBD414D940E93";
constexpr char kN[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123";
constexpr char kGx[] = "32C4AE2C1F1981195F9904466A39C9948FE30BBFF2660BE1715A4589334C74C7";
constexpr char kGy[] = "BC3736A2F4F6779C59BDCEE36B692153D0A9877CC62A474002DF32E52139F0A0";

class Mpi {
 public:
  Mpi() { mbedtls_mpi_init(&value_); }
  Mpi(const Mpi&) = delete;
  Mpi& operator=(const Mpi&) = delete;
  ~Mpi() { mbedtls_mpi_free(&value_); }
  mbedtls_mpi* get() { return &value_; }
  const mbedtls_mpi* get() const { return &value_; }

 private:
  mbedtls_mpi value_;
};

class Point {
 public:
  Point() { mbedtls_ecp_point_init(&value_); }
  Point(const Point&) = delete;
  Point& operator=(const Point&) = delete;
  ~Point() { mbedtls_ecp_point_free(&value_); }
  mbedtls_ecp_point* get() { return &value_; }
  const mbedtls_ecp_point* get() const { return &value_; }

 private:
  mbedtls_ecp_point value_;
};

// One group per operation: mbed TLS caches its precomputed table inside the group, so a group
// is not shared between threads.
class Curve {
 public:
  Curve() {
    mbedtls_ecp_group_init(&group_);
    loaded_ = mbedtls_mpi_read_string(&group_.P, 16, kP) == 0 &&
              mbedtls_mpi_read_string(&group_.A, 16, kA) == 0 &&
              mbedtls_mpi_read_string(&group_.B, 16, kB) == 0 &&
              mbedtls_mpi_read_string(&group_.N, 16, kN) == 0 &&
              mbedtls_ecp_point_read_string(&group_.G, 16, kGx, kGy) == 0;
    group_.pbits = 256;
    group_.nbits = 256;
    // h stays 0: in mbed TLS 2.28 h = 1 marks a built-in curve whose constants are never freed.
  }
  Curve(const Curve&) = delete;
  Curve& operator=(const Curve&) = delete;
  ~Curve() { mbedtls_ecp_group_free(&group_); }
  [[nodiscard]] bool loaded() const { return loaded_; }
  mbedtls_ecp_group* get() { return &group_; }

 private:
  mbedtls_ecp_group group_;
  bool loaded_ = false;
};

bool WriteCoordinate(const mbedtls_mpi* value, uint8_t* out) {
  return mbedtls_mpi_write_binary(value, out, kSm2FieldSize) == 0;
}

}  // namespace

struct Sm2KeyPair::State {
  Mpi d;
  Point q;
};

Sm2KeyPair::Sm2KeyPair(std::unique_ptr<State> state) : state_(std::move(state)) {}
Sm2KeyPair::Sm2KeyPair(Sm2KeyPair&&) noexcept = default;
Sm2KeyPair& Sm2KeyPair::operator=(Sm2KeyPair&&) noexcept = default;
Sm2KeyPair::~Sm2KeyPair() = default;

std::optional<Sm2KeyPair> Sm2KeyPair::FromPrivate(std::span<const uint8_t> d) {
  Curve curve;
  if (!curve.loaded() || d.size() > kSm2FieldSize) {
    return std::nullopt;
  }
  auto state = std::make_unique<State>();
  Mpi limit;  // n - 1: d must stay below it so that 1 + d is invertible
  if (mbedtls_mpi_read_binary(state->d.get(), d.data(), d.size()) != 0 ||
      mbedtls_mpi_sub_int(limit.get(), &curve.get()->N, 1) != 0 ||
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
  Curve curve;
  if (!curve.loaded() || e.size() != kSm2FieldSize) {
    return std::nullopt;
  }
  const mbedtls_mpi* n = &curve.get()->N;
  Mpi eValue, k, r, s, t, inverse, sum;
  Point kG;
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

bool Sm2Verify(const Sm2Coordinate& x, const Sm2Coordinate& y, std::span<const uint8_t> e,
               const Sm2Signature& signature) {
  Curve curve;
  if (!curve.loaded() || e.size() != kSm2FieldSize) {
    return false;
  }
  const mbedtls_mpi* n = &curve.get()->N;
  Mpi r, s, t, eValue, sum, check;
  Point q, point;
  if (mbedtls_mpi_read_binary(r.get(), signature.data(), kSm2FieldSize) != 0 ||
      mbedtls_mpi_read_binary(s.get(), signature.data() + kSm2FieldSize, kSm2FieldSize) != 0 ||
      mbedtls_mpi_read_binary(eValue.get(), e.data(), e.size()) != 0 ||
      mbedtls_mpi_read_binary(&q.get()->X, x.data(), x.size()) != 0 ||
      mbedtls_mpi_read_binary(&q.get()->Y, y.data(), y.size()) != 0 ||
      mbedtls_mpi_lset(&q.get()->Z, 1) != 0 ||
      mbedtls_ecp_check_pubkey(curve.get(), q.get()) != 0) {
    return false;
  }
  // r and s in [1, n-1]; t = (r + s) mod n != 0; (x1, y1) = sG + tQ; R = (e + x1) mod n = r.
  if (mbedtls_mpi_cmp_int(r.get(), 1) < 0 || mbedtls_mpi_cmp_mpi(r.get(), n) >= 0 ||
      mbedtls_mpi_cmp_int(s.get(), 1) < 0 || mbedtls_mpi_cmp_mpi(s.get(), n) >= 0) {
    return false;
  }
  if (mbedtls_mpi_add_mpi(sum.get(), r.get(), s.get()) != 0 ||
      mbedtls_mpi_mod_mpi(t.get(), sum.get(), n) != 0 || mbedtls_mpi_cmp_int(t.get(), 0) == 0) {
    return false;
  }
  if (mbedtls_ecp_muladd(curve.get(), point.get(), s.get(), &curve.get()->G, t.get(), q.get()) !=
          0 ||
      mbedtls_mpi_add_mpi(sum.get(), eValue.get(), &point.get()->X) != 0 ||
      mbedtls_mpi_mod_mpi(check.get(), sum.get(), n) != 0) {
    return false;
  }
  return mbedtls_mpi_cmp_mpi(check.get(), r.get()) == 0;
}

}  // namespace kq::sim
