#pragma once
// The SM2 recommended 256-bit curve (GB/T 32918.5) as an mbed TLS group loaded from its
// parameters, and owners of the mbed TLS numbers and points that SM2 arithmetic works with.

#include <mbedtls/bignum.h>
#include <mbedtls/ecp.h>

namespace kq {

class Mpi {
 public:
  Mpi() { mbedtls_mpi_init(&value_); }
  Mpi(const Mpi&) = delete;
  Mpi& operator=(const Mpi&) = delete;
  ~Mpi() { mbedtls_mpi_free(&value_); }
  mbedtls_mpi* get() { return &value_; }
  [[nodiscard]] const mbedtls_mpi* get() const { return &value_; }

 private:
  mbedtls_mpi value_;
};

class EcPoint {
 public:
  EcPoint() { mbedtls_ecp_point_init(&value_); }
  EcPoint(const EcPoint&) = delete;
  EcPoint& operator=(const EcPoint&) = delete;
  ~EcPoint() { mbedtls_ecp_point_free(&value_); }
  mbedtls_ecp_point* get() { return &value_; }
  [[nodiscard]] const mbedtls_ecp_point* get() const { return &value_; }

 private:
  mbedtls_ecp_point value_;
};

// One group per operation: mbed TLS caches its precomputed table inside the group, so a group
// is not shared between threads.
class Sm2Curve {
 public:
  Sm2Curve();
  Sm2Curve(const Sm2Curve&) = delete;
  Sm2Curve& operator=(const Sm2Curve&) = delete;
  ~Sm2Curve() { mbedtls_ecp_group_free(&group_); }
  [[nodiscard]] bool loaded() const { return loaded_; }
  mbedtls_ecp_group* get() { return &group_; }
  // The group order n.
  [[nodiscard]] const mbedtls_mpi* order() const { return &group_.N; }

 private:
  mbedtls_ecp_group group_;
  bool loaded_ = false;
};

}  // namespace kq
