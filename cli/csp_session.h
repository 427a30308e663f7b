#pragma once
// One CryptoAPI call sequence, as CryptoAPI itself would drive the provider: a provider handle
// from CPAcquireContext, the key and hash handles that the steps make, the last signature, and
// the release at the end. Every call is recorded in the report with its last error.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "provider_library.h"
#include "report.h"

namespace kq::cli {

// CryptoAPI numbers the steps use.
namespace capi {
inline constexpr uint32_t kAtKeyExchange = 1;
inline constexpr uint32_t kAtSignature = 2;
inline constexpr uint32_t kPublicKeyBlob = 6;
inline constexpr uint32_t kCryptFirst = 1;
inline constexpr uint32_t kHpHashVal = 2;
inline constexpr uint32_t kKpCertificate = 26;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kPpEnumContainers = 2;
inline constexpr uint32_t kPpName = 4;
inline constexpr uint32_t kPpProvType = 16;
inline constexpr uint32_t kKpKeyLen = 9;
inline constexpr uint32_t kCryptVerifyContext = 0xF0000000;
inline constexpr uint32_t kCalgSha256 = 0x800C;
}  // namespace capi

class CspSession {
 public:
  CspSession(const ProviderLibrary& provider, Report& report)
      : provider_(provider), api_(provider.exports()), report_(report) {}
  CspSession(const CspSession&) = delete;
  CspSession& operator=(const CspSession&) = delete;
  // Releases the context if the steps did not.
  ~CspSession();

  // CPAcquireContext; false when it failed (the steps are then skipped).
  bool Acquire(const std::string* container, uint32_t flags);
  void Release();

  // Records a CP* call: its result and the last error it left. Returns the result.
  bool Record(std::string_view function, int result, CallRecord** call = nullptr);

  [[nodiscard]] const ProviderExports& api() const { return api_; }
  [[nodiscard]] Report& report() { return report_; }
  [[nodiscard]] KqHandle provider() const { return provider_handle_; }

  // The handles of the steps: the last key and hash made, and the last signature (CryptoAPI
  // byte order, least significant byte first).
  KqHandle key = 0;
  KqHandle hash = 0;
  std::vector<uint8_t> signature;
  bool failed = false;

 private:
  const ProviderLibrary& provider_;
  const ProviderExports& api_;
  Report& report_;
  KqHandle provider_handle_ = 0;
  bool acquired_ = false;
};

// A step of the script: reads its options and makes its calls. Returns a usage error's message,
// or an empty text. A failed call sets session.failed, which ends the script.
using CspStepFunction = std::string (*)(CspSession& session, const Arguments& args);

struct CspStep {
  std::string_view name;
  std::string_view synopsis;
  std::span<const OptionSpec> options;
  CspStepFunction run;
};

std::span<const CspStep> CspKeySteps();
std::span<const CspStep> CspHashSteps();
std::span<const CspStep> CspParameterSteps();

// Names or numbers of hash algorithms ("sha256" or 0x800C) and key specs ("signature",
// "exchange" or a number).
std::optional<uint32_t> HashAlgorithmId(std::string_view name);
std::optional<uint32_t> KeySpec(std::string_view name);

// Writes bytes to the file an option names and records where; false when writing failed.
bool SaveStepOutput(CspSession& session, const Arguments& args, std::string_view option,
                    const std::vector<uint8_t>& bytes, CallRecord* call);

// The 32-bit little-endian number at an offset, 0 beyond the end.
uint32_t LittleEndian32(const std::vector<uint8_t>& bytes, size_t offset);

}  // namespace kq::cli
