#pragma once
// The steps of `kqtool demo`, in order, and what they hand each other. Each step makes its calls,
// returns whether it passed with one line of detail, and is skipped when a step it builds on
// did not pass.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "crypto_api.h"
#include "demo_ca.h"
#include "demo_registration.h"
#include "demo_scene.h"
#include "provider_library.h"

namespace kq::cli {

struct DemoState {
  DemoScene* scene = nullptr;
  std::string programPath;              // kqtool, to find kqsim beside it
  std::string libraryOption;            // --library as given
  std::optional<ProviderLibrary> tool;  // loaded by name, as a bank tool does
  std::string imagePath;
  std::optional<DemoRegistration> registration;
  std::optional<CryptoApi> cryptoApi;  // the provider as CryptoAPI reaches it
  std::string mediaId;
  std::vector<uint8_t> rsaRequest;
  std::vector<uint8_t> sm2Request;
  std::optional<DemoCa> ca;
  std::vector<uint8_t> rsaCertificate;
  std::vector<uint8_t> sm2Certificate;
  std::string rsaSubject;  // as KQ_GetAllCertDN renders it (code page 936)
  std::string sm2Subject;
  std::vector<uint8_t> rsaSignature;  // most significant byte first
  std::vector<uint8_t> sm2Signature;  // r, then s
  std::string container;              // the RSA key's container, found through CryptoAPI
  std::vector<uint8_t> cspSignature;  // CryptoAPI order, least significant byte first
};

struct StepOutcome {
  enum class Result { kPassed, kFailed, kSkipped };
  Result result = Result::kPassed;
  std::string detail;
};

struct DemoStep {
  std::string_view title;
  StepOutcome (*run)(DemoState& state);
};

StepOutcome Passed(std::string detail);
StepOutcome Failed(std::string detail);
StepOutcome Skipped(std::string detail);

// Loading, registration, the soft key, enrolment.
std::span<const DemoStep> DemoSetupSteps();
// Signatures through the tool exports and through CryptoAPI, checked by the platform's verifier
// (DemoCa) and the provider.
std::span<const DemoStep> DemoSigningSteps();

// The subjects of the demo's two certificates as requested.
inline constexpr char kRsaSubject[] = "CN=Demo RSA Signer,O=Demo Bank,C=CN,T=S";
inline constexpr char kSm2Subject[] = "CN=Demo SM2 Signer,O=Demo Bank,C=CN,T=Ex";

}  // namespace kq::cli
