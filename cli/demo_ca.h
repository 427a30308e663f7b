#pragma once
// The demo's throwaway certification authority and the verifier of the key's signatures, so
// that nothing of ours vouches for ourselves. On POSIX the `openssl` command issues the
// certificates and checks the signatures. On Windows crypt32 and the Microsoft software provider
// do it for RSA; SM2, which CryptoAPI can neither issue for nor verify, is checked with the
// system's own SM3 and SM2 code over mbed TLS's arithmetic, while the RSA CA still issues the
// certificate.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "demo_scene.h"

namespace kq::cli {

// The identity that SM2 signatures of this system use.
inline constexpr char kSm2DefaultId[] = "1234567812345678";

// How the step lines name the CA and the verifiers of this platform.
struct DemoCaNames {
  std::string_view issued;          // how the certificates came to be, before "the RSA ..."
  std::string_view verifyRsaTitle;  // the step that verifies the transaction's signature
  std::string_view rsaVerified;     // that step's detail when it passes
  std::string_view verifySm2Title;
  std::string_view sm2Verified;
  std::string_view agrees;  // the verifier accepts the CryptoAPI signature too
};

class DemoCa {
 public:
  static const DemoCaNames& Names();

  explicit DemoCa(DemoScene& scene);
  DemoCa(const DemoCa&) = delete;
  DemoCa& operator=(const DemoCa&) = delete;
  // Discards the CA if Discard() has not.
  ~DemoCa();

  // A fresh RSA 2048 CA key and its name.
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

  // Removes what the CA keeps outside the scene (its key container on Windows); true when
  // nothing is left.
  bool Discard();

  [[nodiscard]] const std::string& reason() const { return reason_; }

 private:
  struct Authority;
  bool Fail(const std::string& what);

  DemoScene& scene_;
  std::unique_ptr<Authority> authority_;
  std::string reason_;
};

}  // namespace kq::cli
