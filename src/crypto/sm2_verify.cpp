#include "crypto/sm2_verify.h"

#include "crypto/sm2_curve.h"

namespace kq {

bool Sm2Verify(std::span<const uint8_t, kSm2CoordinateSize> x,
               std::span<const uint8_t, kSm2CoordinateSize> y, std::span<const uint8_t> e,
               std::span<const uint8_t, 2 * kSm2CoordinateSize> signature) {
  Sm2Curve curve;
  if (!curve.loaded() || e.size() != kSm2CoordinateSize) {
    return false;
  }
  const mbedtls_mpi* n = curve.order();
  Mpi r, s, t, eValue, sum, check;
  EcPoint q, point;
  if (mbedtls_mpi_read_binary(r.get(), signature.data(), kSm2CoordinateSize) != 0 ||
      mbedtls_mpi_read_binary(s.get(), signature.data() + kSm2CoordinateSize, kSm2CoordinateSize) !=
          0 ||
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

}  // namespace kq
