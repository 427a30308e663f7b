#pragma once
// The platform's certificate functions: decoding an X.509 certificate, its subject public key,
// its subject rendered as CertNameToStrA renders it with CERT_X500_NAME_STR on a system whose
// ANSI code page is 936, and whether it is signed by its own key. Windows uses crypt32; POSIX
// uses OpenSSL and renders the subject the same way.

#include <cstdint>
#include <span>
#include <string>

namespace kq::platform {

class Certificate {
 public:
  Certificate() = default;
  Certificate(const Certificate&) = delete;
  Certificate& operator=(const Certificate&) = delete;
  Certificate(Certificate&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Certificate& operator=(Certificate&& other) noexcept;
  ~Certificate();

  // Decodes DER bytes (as CertCreateCertificateContext with X.509 and PKCS #7 encodings); the
  // result is not loaded when the bytes are not exactly one certificate.
  static Certificate Decode(std::span<const uint8_t> der);

  [[nodiscard]] bool loaded() const { return handle_ != nullptr; }

  // The subject public key's bit-string bytes without the unused-bits byte; valid while the
  // object lives. Empty when not loaded.
  [[nodiscard]] std::span<const uint8_t> PublicKeyBits() const;

  // CertNameToStrA of the subject with CERT_X500_NAME_STR: with a null buffer the size needed
  // including the NUL; else renders at most size bytes (NUL-terminated) and returns the bytes
  // written including the NUL. 0 on failure.
  uint32_t SubjectText(char* buffer, uint32_t size) const;

  // True when the certificate's signature verifies with its own subject public key.
  [[nodiscard]] bool IsSignedByOwnKey() const;

 private:
  explicit Certificate(void* handle) : handle_(handle) {}
  void Release();
  void* handle_ = nullptr;
};

}  // namespace kq::platform
