// The demo's second half: signatures through the tool exports (a transaction confirmed on the
// key, plain data with SM2) checked by openssl, then a digest signed through the CryptoAPI entry
// points and verified by CPVerifySignature.
#include <algorithm>
#include <array>
#include <cstring>

#include "byte_text.h"
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
constexpr char kCspData[] = "kqtool demo: a digest signed through CryptoAPI";

struct Signature {
  uint32_t status = 0;
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
  return result;
}

StepOutcome SignTransaction(DemoState& s) {
  if (s.rsaSubject.empty()) {
    return Skipped("needs the RSA certificate on the key");
  }
  const Signature signature = SignWithTool(s, TransactionText(), s.rsaSubject, "SHA256");
  if (signature.status != 0) {
    return Failed("KQ_GetSignature " +
                  StatusLine(DescribeToolStatus("KQ_GetSignature", signature.status)));
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
  return Passed("openssl dgst -sha256 -verify with the certificate's key: Verified OK");
}

StepOutcome SignPlain(DemoState& s) {
  if (s.sm2Subject.empty()) {
    return Skipped("needs the SM2 certificate on the key");
  }
  const Signature signature = SignWithTool(s, kPlainData, s.sm2Subject, nullptr);
  if (signature.status != 0) {
    return Failed("KQ_GetSignature " +
                  StatusLine(DescribeToolStatus("KQ_GetSignature", signature.status)));
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
  return Passed("openssl dgst -sm3 -verify, identity 1234567812345678: Verified OK");
}

std::string CspFailure(const DemoState& s, std::string_view function) {
  return std::string(function) + " " + StatusLine(DescribeLastError(s.cryptoApi->LastError()));
}

// The RSA key's container: the one whose signature key is 2048 bits.
StepOutcome OpenContainer(DemoState& s) {
  if (!s.cryptoApi || s.rsaSubject.empty()) {
    return Skipped("needs CryptoAPI's load and the RSA key");
  }
  const ProviderExports& api = s.cryptoApi->exports();
  KqHandle verify = 0;
  if (api.CPAcquireContext(&verify, nullptr, 0xF0000000, nullptr) == 0) {
    return Failed(CspFailure(s, "CPAcquireContext"));
  }
  std::vector<std::string> names;
  uint32_t listError = 0;
  for (uint32_t flags = 1;; flags = 0) {
    std::array<uint8_t, 600> name{};
    auto length = static_cast<uint32_t>(name.size());
    if (api.CPGetProvParam(verify, 2, name.data(), &length, flags) == 0) {
      listError = s.cryptoApi->LastError();
      break;
    }
    names.emplace_back(reinterpret_cast<const char*>(name.data()));
  }
  api.CPReleaseContext(verify, 0);
  if (listError != 259) {  // ERROR_NO_MORE_ITEMS ends the list; anything else is a failure
    return Failed("CPGetProvParam PP_ENUMCONTAINERS " + StatusLine(DescribeLastError(listError)));
  }
  for (const std::string& name : names) {
    KqHandle provider = 0;
    if (api.CPAcquireContext(&provider, name.c_str(), 0, nullptr) == 0) {
      continue;
    }
    KqHandle key = 0;
    uint32_t bits = 0;
    auto size = static_cast<uint32_t>(sizeof bits);
    const bool rsa2048 =
        api.CPGetUserKey(provider, 2, &key) != 0 &&
        api.CPGetKeyParam(provider, key, 9, reinterpret_cast<uint8_t*>(&bits), &size, 0) != 0 &&
        bits == 2048;
    api.CPReleaseContext(provider, 0);
    if (rsa2048) {
      s.container = name;
      return Passed("PP_ENUMCONTAINERS lists " + std::to_string(names.size()) +
                    " containers; CPAcquireContext \"" + name + "\", CPGetUserKey: RSA 2048");
    }
  }
  return Failed("no container with a 2048-bit signature key among " + std::to_string(names.size()) +
                " (PP_ENUMCONTAINERS)");
}

StepOutcome CspSignAndVerify(DemoState& s, bool verify) {
  const ProviderExports& api = s.cryptoApi->exports();
  KqHandle provider = 0;
  if (api.CPAcquireContext(&provider, s.container.c_str(), 0, nullptr) == 0) {
    return Failed(CspFailure(s, "CPAcquireContext"));
  }
  KqHandle key = 0;
  KqHandle hash = 0;
  StepOutcome outcome;
  const auto* data = reinterpret_cast<const uint8_t*>(kCspData);
  uint32_t size = 512;
  std::vector<uint8_t> signature(size);
  if (api.CPGetUserKey(provider, 2, &key) == 0) {
    outcome = Failed(CspFailure(s, "CPGetUserKey"));
  } else if (api.CPCreateHash(provider, 0x800C, 0, 0, &hash) == 0) {
    outcome = Failed(CspFailure(s, "CPCreateHash"));
  } else if (api.CPHashData(provider, hash, data, sizeof kCspData - 1, 0) == 0) {
    outcome = Failed(CspFailure(s, "CPHashData"));
  } else if (!verify) {
    if (api.CPSignHash(provider, hash, 2, nullptr, 0, signature.data(), &size) == 0) {
      outcome = Failed(CspFailure(s, "CPSignHash"));
    } else {
      signature.resize(size);
      s.cspSignature = signature;
      outcome = Passed("CPCreateHash CALG_SHA_256, CPHashData, CPSignHash AT_SIGNATURE: " +
                       std::to_string(size) + " bytes (PIN from the soft PIN entry)");
    }
  } else if (api.CPVerifySignature(provider, hash, s.cspSignature.data(),
                                   static_cast<uint32_t>(s.cspSignature.size()), key, nullptr,
                                   0) == 0) {
    outcome = Failed(CspFailure(s, "CPVerifySignature"));
  } else {
    // openssl agrees, with the bytes in its order (most significant first).
    const std::vector<uint8_t> reversed(s.cspSignature.rbegin(), s.cspSignature.rend());
    if (!s.ca->VerifyRsa(s.rsaCertificate, AsBytes(kCspData), reversed, "sha256", "csp")) {
      outcome = Failed("CPVerifySignature accepted it but " + s.ca->reason());
    } else {
      outcome = Passed("CPVerifySignature with the container's public key: TRUE; openssl agrees");
    }
  }
  if (hash != 0) {
    api.CPDestroyHash(provider, hash);
  }
  api.CPReleaseContext(provider, 0);
  return outcome;
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

constexpr DemoStep kSteps[] = {
    {"sign a transaction with the RSA key", SignTransaction},
    {"verify the RSA signature with openssl", VerifyTransaction},
    {"sign plain data with the SM2 key", SignPlain},
    {"verify the SM2 signature with openssl", VerifyPlain},
    {"open the RSA key's container through CryptoAPI", OpenContainer},
    {"sign a SHA-256 hash with CPSignHash", CspSign},
    {"verify it with CPVerifySignature", CspVerify},
};

}  // namespace

std::span<const DemoStep> DemoSigningSteps() {
  return kSteps;
}

}  // namespace kq::cli
