#include "crypto/sm2_curve.h"

namespace kq {

namespace {

// The recommended curve's parameters (GB/T 32918.5), big-endian hex.
constexpr char kP[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFF";
constexpr char kA[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00000000FFFFFFFFFFFFFFFC";
constexpr char kB[] = "28E9FA9E9D9F5E344D5A9E4BCF6509A7F39789F515AB8F92DDBCBD414D940E93";
constexpr char kN[] = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123";
constexpr char kGx[] = "32C4AE2C1F1981195F9904466A39C9948FE30BBFF2660BE1715A4589334C74C7";
constexpr char kGy[] = "BC3736A2F4F6779C59BDCEE36B692153D0A9877CC62A474002DF32E52139F0A0";

}  // namespace

Sm2Curve::Sm2Curve() {
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

}  // namespace kq
