#pragma once
// The demo's throwaway certification authority and verifier: the `openssl` command issues the
// certificates for the key's requests and checks the key's signatures, so that nothing of ours
// vouches for ourselves.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "demo_scene.h"

namespace kq::cli {

// The identity that SM2 signatures of this system use.
inline constexpr char kSm2DefaultId[] = "1234567812345678";

class DemoCa {
 public:
  explicit DemoCa(DemoScene& scene) : scene_(scene) {}

  // A fresh RSA 2048 CA key and self-signed certificate.
  bool Create();
  // Checks the request's own signature and issues a certificate for it (DER).
  std::optional<std::vector<uint8_t>> Issue(std::span<const uint8_t> requestDer,
                                            const std::string& name, bool sm2, int serial);
  // Verifies a signature over data with the certificate's public key: RSA PKCS #1 v1.5 with the
  // given digest (signature most significant byte first), or SM2 with SM3 over the default
  // identity (signature r followed by s, 32 bytes each).
  bool VerifyRsa(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                 std::span<const uint8_t> signature, const std::string& digest,
                 const std::string& name);
  bool VerifySm2(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                 std::span<const uint8_t> signature, const std::string& name);

  [[nodiscard]] const std::string& reason() const { return reason_; }

 private:
  bool PublicKey(std::span<const uint8_t> certificateDer, const std::string& name,
                 std::string& pemPath);
  bool Fail(const std::string& what);

  DemoScene& scene_;
  std::string reason_;
};

}  // namespace kq::cli
