// The demo's second half: signatures through the tool exports (a transaction confirmed on the
// key, plain data with SM2) checked by the platform's verifier, then the transaction signed
// through CryptoAPI (the key shows it and waits for OK again) and verified there, and by the
// verifier once more. No step needs a transaction key to sign a bare digest, so the demo passes
// on a key that refuses that (kqsim create --strict-usage).
#include <algorithm>
#include <array>
#include <cstring>

#include "byte_text.h"
#include "csp_session.h"
#include "demo_steps.h"
#include "inputs.h"
#include "status_text.h"

namespace kq::cli {

namespace {

// The bank's transaction message: the key shows it and hashes it itself.
const std::string& TransactionText() {
  static const std::string message = *TransactionMessage(
      "0001", "Pay 1,250.00 CNY to account 6222 0012 3456 7890", "Demo Bank, reference 42");
  return message;
}

constexpr char kPlainData[] = "kqtool demo: plain data signed with SM2";

struct Signature {
  uint32_t status = 0;
  uint32_t reason = 0;  // which meaning a status of two meanings has
  std::vector<uint8_t> bytes;
};

Signature SignWithTool(const DemoState& s, std::string_view data, const std::string& subject,
                       const char* hash) {
  const auto function = s.tool->exports().KQ_GetSignature;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  const auto hashLength = static_cast<int32_t>(hash != nullptr ? std::strlen(hash) : 0);
  int32_t signatureLength = 0;
  uint32_t certificateLength = 0;
  Signature result;
  result.status = function(bytes, static_cast<uint32_t>(data.size()), subject.c_str(),
                           static_cast<uint32_t>(subject.size()), hash, hashLength, nullptr,
                           &signatureLength, nullptr, &certificateLength);
  if (result.status != 0) {
    result.reason = s.tool->LastError();
    return result;
  }
  result.bytes.resize(static_cast<size_t>(std::max(signatureLength, 1)));
  std::vector<uint8_t> certificate(std::max<uint32_t>(certificateLength, 1));
  result.status =
      function(bytes, static_cast<uint32_t>(data.size()), subject.c_str(),
               static_cast<uint32_t>(subject.size()), hash, hashLength, result.bytes.data(),
               &signatureLength, certificate.data(), &certificateLength);
  result.bytes.resize(
      std::min(result.bytes.size(), static_cast<size_t>(std::max(signatureLength, 0))));
  if (result.status != 0) {
    result.reason = s.tool->LastError();
  }
  return result;
}

StepOutcome SignTransaction(DemoState& s) {
  if (s.rsaSubject.empty()) {
    return Skipped("needs the RSA certificate on the key");
  }
  const Signature signature = SignWithTool(s, TransactionText(), s.rsaSubject, "SHA256");
  if (signature.status != 0) {
    return Failed("KQ_GetSignature " + StatusLine(DescribeToolStatus(
                                           "KQ_GetSignature", signature.status, signature.reason)));
  }
  s.rsaSignature = signature.bytes;
  return Passed("KQ_GetSignature: the " + std::to_string(TransactionText().size()) +
                "-byte transaction confirmed on the key, a " +
                std::to_string(signature.bytes.size()) + "-byte RSA signature");
}

StepOutcome VerifyTransaction(DemoState& s) {
  if (s.rsaSignature.empty()) {
    return Skipped("needs the RSA signature");
  }
  if (!s.ca->VerifyRsa(s.rsaCertificate, AsBytes(TransactionText()), s.rsaSignature, "sha256",
                       "transaction")) {
    return Failed(s.ca->reason());
  }
  return Passed(std::string(DemoCa::Names().rsaVerified));
}

StepOutcome SignPlain(DemoState& s) {
  if (s.sm2Subject.empty()) {
    return Skipped("needs the SM2 certificate on the key");
  }
  const Signature signature = SignWithTool(s, kPlainData, s.sm2Subject, nullptr);
  if (signature.status != 0) {
    return Failed("KQ_GetSignature " + StatusLine(DescribeToolStatus(
                                           "KQ_GetSignature", signature.status, signature.reason)));
  }
  s.sm2Signature = signature.bytes;
  return Passed("KQ_GetSignature (SM3 by default): a " + std::to_string(signature.bytes.size()) +
                "-byte SM2 signature, r and s");
}

StepOutcome VerifyPlain(DemoState& s) {
  if (s.sm2Signature.empty()) {
    return Skipped("needs the SM2 signature");
  }
  if (!s.ca->VerifySm2(s.sm2Certificate, AsBytes(kPlainData), s.sm2Signature, "plain")) {
    return Failed(s.ca->reason());
  }
  return Passed(std::string(DemoCa::Names().sm2Verified));
}

// The RSA key's container: the one whose signature key is 2048 bits.
StepOutcome OpenContainer(DemoState& s) {
  if (!s.cryptoApi || s.rsaSubject.empty()) {
    return Skipped("needs CryptoAPI's load and the RSA key");
  }
  const CryptoApiNames& api = CryptoApi::Names();
  std::vector<std::string> names;
  {
    CryptoContext verify(*s.cryptoApi);
    if (!verify.Acquire(nullptr, capi::kCryptVerifyContext)) {
      return Failed(verify.Failure());
    }
    for (uint32_t flags = capi::kCryptFirst;; flags = 0) {
      std::array<uint8_t, 600> name{};
      uint32_t length = 0;
      if (!verify.GetProvParam(capi::kPpEnumContainers, name, length, flags)) {
        // ERROR_NO_MORE_ITEMS ends the list; anything else is a failure.
        if (verify.FailureStatus() != capi::kErrorNoMoreItems) {
          return Failed(verify.Failure() + " (PP_ENUMCONTAINERS)");
        }
        break;
      }
      const auto* text = reinterpret_cast<const char*>(name.data());
      names.emplace_back(text, strnlen(text, std::min<size_t>(length, name.size())));
    }
  }
  for (const std::string& name : names) {
    CryptoContext context(*s.cryptoApi);
    uint32_t bits = 0;
    if (context.Acquire(&name, 0) && context.UseUserKey(capi::kAtSignature) &&
        context.KeyParam32(capi::kKpKeyLen, bits) && bits == 2048) {
      s.container = name;
      return Passed("PP_ENUMCONTAINERS lists " + std::to_string(names.size()) + " containers; " +
                    std::string(api.acquire) + " \"" + name + "\", " + std::string(api.getUserKey) +
                    ": RSA 2048");
    }
  }
  return Failed("no container with a 2048-bit signature key among " + std::to_string(names.size()) +
                " (PP_ENUMCONTAINERS)");
}

StepOutcome CspSignAndVerify(DemoState& s, bool verify) {
  const CryptoApiNames& api = CryptoApi::Names();
  CryptoContext context(*s.cryptoApi);
  if (!context.Acquire(&s.container, 0) || !context.UseUserKey(capi::kAtSignature) ||
      !context.Hash(capi::kCalgSha256, AsBytes(TransactionText()))) {
    return Failed(context.Failure());
  }
  if (!verify) {
    std::vector<uint8_t> signature;
    if (!context.Sign(capi::kAtSignature, signature)) {
      return Failed(context.Failure());
    }
    s.cspSignature = signature;
    return Passed(std::string(api.createHash) + " CALG_SHA_256, " + std::string(api.hashData) +
                  ", " + std::string(api.signHash) +
                  " AT_SIGNATURE: " + std::to_string(signature.size()) +
                  " bytes: the key showed the transaction and signed after OK (a transaction "
                  "key signs no bare digest)");
  }
  if (!context.Verify(s.cspSignature)) {
    return Failed(context.Failure());
  }
  // The platform's verifier agrees, with the bytes in its order (most significant first).
  const std::vector<uint8_t> reversed(s.cspSignature.rbegin(), s.cspSignature.rend());
  if (!s.ca->VerifyRsa(s.rsaCertificate, AsBytes(TransactionText()), reversed, "sha256", "csp")) {
    return Failed(std::string(api.verifySignature) + " accepted it but " + s.ca->reason());
  }
  return Passed(std::string(api.verifySignature) + " with the container's public key: TRUE; " +
                std::string(DemoCa::Names().agrees));
}

StepOutcome CspSign(DemoState& s) {
  if (s.container.empty()) {
    return Skipped("needs the RSA container");
  }
  return CspSignAndVerify(s, false);
}

StepOutcome CspVerify(DemoState& s) {
  if (s.cspSignature.empty()) {
    return Skipped("needs the CryptoAPI signature");
  }
  return CspSignAndVerify(s, true);
}

}  // namespace

std::span<const DemoStep> DemoSigningSteps() {
  static const DemoStep kSteps[] = {
      {"sign a transaction with the RSA key", SignTransaction},
      {DemoCa::Names().verifyRsaTitle, VerifyTransaction},
      {"sign plain data with the SM2 key", SignPlain},
      {DemoCa::Names().verifySm2Title, VerifyPlain},
      {"open the RSA key's container through CryptoAPI", OpenContainer},
      {CryptoApi::Names().signTitle, CspSign},
      {CryptoApi::Names().verifyTitle, CspVerify},
  };
  return kSteps;
}

}  // namespace kq::cli
