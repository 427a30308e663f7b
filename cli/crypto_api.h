#pragma once
// CryptoAPI as the demo reaches the provider through it. On Windows that is advapi32: it finds
// the provider by its registered name, loads the registered "Image Path" and wraps the
// provider's handles in its own. POSIX has no CryptoAPI, so there the library named by the
// registered "Image Path" is loaded and its CP* entry points are called directly, with the
// handles and arguments advapi32 would pass.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kqcsp.h"

namespace kq::cli {

// How the step lines name what this platform calls.
struct CryptoApiNames {
  std::string_view loadTitle;    // the step that opens the provider through CryptoAPI
  std::string_view signTitle;    // the step that signs a transaction
  std::string_view verifyTitle;  // the step that verifies it
  std::string_view acquire;
  std::string_view acquireHow;  // how the provider is found: by name, or on its "Image Path"
  std::string_view getProvParam;
  std::string_view getUserKey;
  std::string_view getKeyParam;
  std::string_view createHash;
  std::string_view hashData;
  std::string_view signHash;
  std::string_view verifySignature;
};

class CryptoApi {
 public:
  static const CryptoApiNames& Names();

  // Makes the provider of this name, registered with this "Image Path", reachable; nothing (and
  // `error` set) when it cannot be.
  static std::optional<CryptoApi> Open(const std::string& providerName,
                                       const std::string& imagePath, std::string& error);
  CryptoApi(CryptoApi&& other) noexcept;
  CryptoApi& operator=(CryptoApi&& other) noexcept;
  CryptoApi(const CryptoApi&) = delete;
  CryptoApi& operator=(const CryptoApi&) = delete;
  ~CryptoApi();

  // The calls, as CryptAcquireContext, CryptGetProvParam, ... take them; every call gets the
  // provider handle (advapi32's own functions ignore it where they do not take one). Each
  // returns true on success and leaves the reason of a failure for LastError().
  bool AcquireContext(KqHandle& provider, const std::string* container, uint32_t flags) const;
  bool ReleaseContext(KqHandle provider) const;
  bool GetProvParam(KqHandle provider, uint32_t param, uint8_t* data, uint32_t* length,
                    uint32_t flags) const;
  bool GetUserKey(KqHandle provider, uint32_t keySpec, KqHandle& key) const;
  bool GetKeyParam(KqHandle provider, KqHandle key, uint32_t param, uint8_t* data,
                   uint32_t* length) const;
  bool DestroyKey(KqHandle provider, KqHandle key) const;
  bool CreateHash(KqHandle provider, uint32_t algorithm, KqHandle& hash) const;
  bool HashData(KqHandle provider, KqHandle hash, std::span<const uint8_t> data) const;
  bool SignHash(KqHandle provider, KqHandle hash, uint32_t keySpec, uint8_t* signature,
                uint32_t* length) const;
  bool VerifySignature(KqHandle provider, KqHandle hash, std::span<const uint8_t> signature,
                       KqHandle key) const;
  bool DestroyHash(KqHandle provider, KqHandle hash) const;
  // The calling thread's last error, as the last call left it.
  [[nodiscard]] uint32_t LastError() const;

 private:
  struct Backend;
  explicit CryptoApi(std::unique_ptr<Backend> backend);
  std::unique_ptr<Backend> backend_;
};

// One provider context with the key and the hash made in it; all three are released when the
// object goes, the hash and the key first. The last failed call's name is kept for the step line.
class CryptoContext {
 public:
  explicit CryptoContext(const CryptoApi& api) : api_(api) {}
  CryptoContext(const CryptoContext&) = delete;
  CryptoContext& operator=(const CryptoContext&) = delete;
  ~CryptoContext();

  bool Acquire(const std::string* container, uint32_t flags);
  bool GetProvParam(uint32_t param, std::span<uint8_t> data, uint32_t& length, uint32_t flags);
  // The container's key of this spec, kept as the context's key.
  bool UseUserKey(uint32_t keySpec);
  // A 32-bit parameter of the key (KP_KEYLEN, ...).
  bool KeyParam32(uint32_t param, uint32_t& value);
  // A new hash of the data, kept as the context's hash.
  bool Hash(uint32_t algorithm, std::span<const uint8_t> data);
  // Signs the hash (CryptoAPI byte order, least significant byte first).
  bool Sign(uint32_t keySpec, std::vector<uint8_t>& signature);
  // Verifies a signature of the hash with the key.
  bool Verify(std::span<const uint8_t> signature);

  // The call that failed last, with its status: "CryptSignHashW 0x8010006E ...".
  [[nodiscard]] std::string Failure() const;
  [[nodiscard]] uint32_t FailureStatus() const { return failedStatus_; }

 private:
  bool Check(bool result, std::string_view function);

  const CryptoApi& api_;
  KqHandle provider_ = 0;
  KqHandle key_ = 0;
  KqHandle hash_ = 0;
  bool acquired_ = false;
  std::string_view failedCall_;
  uint32_t failedStatus_ = 0;
};

}  // namespace kq::cli
