#include "support/device_call_workload.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "kqcsp.h"
#include "softkey/call_counters.h"
#include "softkey/call_latency.h"
#include "support/pkcs11_workload.h"
#include "support/provider_library.h"
#include "support/scoped_env.h"
#include "support/signature_check.h"
#include "support/transaction_message.h"

namespace kq::test {

namespace {

constexpr uint32_t kNewKeyset = 0x8;
constexpr uint32_t kVerifyContext = 0xF0000000;
constexpr uint32_t kAtSignature = 2;
constexpr uint32_t kRsa2048Flags = 2048u << 16;
constexpr uint32_t kCalgSha256 = 0x800C;
constexpr uint32_t kPpEnumContainers = 2;
constexpr uint32_t kCryptFirst = 1;
constexpr uint32_t kCryptNext = 2;
constexpr uint32_t kPublicKeyBlob = 6;
constexpr const char* kContainer = "budget-container";
constexpr const char* kRsaSignatureRequest = "CN=Budget Signer,O=Demo Bank,T=S|RSA2048|SHA256|2";
// A key as the bank's enrolment leaves it: an RSA signature key and an SM2 key, two containers.
constexpr const char* kBothRequests =
    "CN=Budget Signer,O=Demo Bank,T=S|RSA2048|SHA256|2||CN=Budget SM2,O=Demo Bank,T=Ex|SM2|SM3|3";

// Device calls so far on the key and, for the calls that name no key, in the root.
int64_t CallsSoFar(const SoftKeyScene& scene, const std::string& key, sim::Counters* byName) {
  int64_t total = 0;
  for (const auto& [name, calls] : scene.Counters(key)) {
    if (name != sim::kHandlesOpenCounter) {
      total += calls;
      if (byName != nullptr) {
        (*byName)[name] += calls;
      }
    }
  }
  const sim::Counters root = scene.RootCounters();
  for (const char* name : {"ZANT_EnumDev", "ZANT_GetDevNum"}) {
    if (const auto it = root.find(name); it != root.end()) {
      total += it->second;
      if (byName != nullptr) {
        (*byName)[name] += it->second;
      }
    }
  }
  return total;
}

// The device calls that the soft PIN-entry library made itself, as it counts them in the root.
int64_t PinEntryCalls(const SoftKeyScene& scene) {
  const sim::Counters root = scene.RootCounters();
  const auto it = root.find(sim::kPinEntryCallsCounter);
  return it == root.end() ? 0 : it->second;
}

// The steps of one run: preparation, the measured operation, then the check of its result once
// the calls are counted; each says what went wrong.
struct Steps {
  std::function<std::string()> prepare;
  std::function<std::string()> measure;
  std::function<std::string()> check = [] { return std::string(); };
};

// What a measured operation gave, for its check.
struct Outcome {
  std::vector<std::vector<uint8_t>> signatures;
  std::vector<uint8_t> certificate;
  std::string text;  // a request or a subject list
};

std::string Failed(const std::string& what, uint32_t code) {
  return what + " failed with " + std::to_string(code);
}

// CRYPT_NEWKEYSET on `name`, and an RSA 2048 signature pair in it when `withKey`.
std::string NewContainer(const char* name, bool withKey) {
  const ProviderLibrary& p = Provider();
  KqHandle prov = 0;
  if (!p.CPAcquireContext(&prov, name, kNewKeyset, nullptr)) {
    return Failed("CRYPT_NEWKEYSET", p.GetLastError());
  }
  std::string problem;
  KqHandle key = 0;
  if (withKey && !p.CPGenKey(prov, kAtSignature, kRsa2048Flags, &key)) {
    problem = Failed("CPGenKey", p.GetLastError());
  }
  p.CPReleaseContext(prov, 0);
  return problem;
}

constexpr uint8_t kDocument[] = "a document to sign";

// Opens the container and signs `signatures` SHA-256 hashes of kDocument, each after its size
// query; the signatures in `outcome`.
std::string SignInContainer(int signatures, Outcome& outcome) {
  const ProviderLibrary& p = Provider();
  KqHandle prov = 0;
  if (!p.CPAcquireContext(&prov, kContainer, 0, nullptr)) {
    return Failed("CPAcquireContext", p.GetLastError());
  }
  std::string problem;
  KqHandle key = 0;
  if (!p.CPGetUserKey(prov, kAtSignature, &key)) {
    problem = Failed("CPGetUserKey", p.GetLastError());
  }
  for (int n = 0; n < signatures && problem.empty(); ++n) {
    KqHandle hash = 0;
    if (!p.CPCreateHash(prov, kCalgSha256, 0, 0, &hash) ||
        !p.CPHashData(prov, hash, kDocument, sizeof kDocument, 0)) {
      problem = Failed("hashing", p.GetLastError());
      break;
    }
    uint32_t length = 0;
    std::vector<uint8_t> signature;
    if (!p.CPSignHash(prov, hash, kAtSignature, nullptr, 0, nullptr, &length)) {
      problem = Failed("CPSignHash size query", p.GetLastError());
    } else {
      signature.resize(length);
      if (!p.CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length)) {
        problem = Failed("CPSignHash", p.GetLastError());
      }
      outcome.signatures.push_back(signature);
    }
    p.CPDestroyHash(prov, hash);
  }
  p.CPReleaseContext(prov, 0);
  return problem;
}

// The container's signature key, exported as a PUBLICKEYBLOB, verifies every signature.
std::string SignaturesVerify(const Outcome& outcome) {
  const ProviderLibrary& p = Provider();
  KqHandle prov = 0;
  KqHandle key = 0;
  uint32_t length = 0;
  if (!p.CPAcquireContext(&prov, kContainer, 0, nullptr)) {
    return Failed("CPAcquireContext after signing", p.GetLastError());
  }
  std::vector<uint8_t> blob;
  if (p.CPGetUserKey(prov, kAtSignature, &key) &&
      p.CPExportKey(prov, key, 0, kPublicKeyBlob, 0, nullptr, &length)) {
    blob.resize(length);
    p.CPExportKey(prov, key, 0, kPublicKeyBlob, 0, blob.data(), &length);
  }
  p.CPReleaseContext(prov, 0);
  for (const std::vector<uint8_t>& signature : outcome.signatures) {
    if (!BlobSignatureVerifies(blob, kDocument, signature).value_or(true)) {
      return "a signature does not verify";
    }
  }
  return outcome.signatures.empty() ? "no signature" : "";
}

std::string EnumerateContainers() {
  const ProviderLibrary& p = Provider();
  KqHandle prov = 0;
  if (!p.CPAcquireContext(&prov, nullptr, kVerifyContext, nullptr)) {
    return Failed("CRYPT_VERIFYCONTEXT", p.GetLastError());
  }
  int listed = 0;
  uint32_t flags = kCryptFirst;
  for (;;) {
    uint8_t name[1024];
    uint32_t length = sizeof name;
    if (!p.CPGetProvParam(prov, kPpEnumContainers, name, &length, flags)) {
      break;
    }
    ++listed;
    flags = kCryptNext;
  }
  p.CPReleaseContext(prov, 0);
  return listed == 3 ? "" : "PP_ENUMCONTAINERS listed " + std::to_string(listed) + " containers";
}

// KQ_CreatePKCS10 for `text`; the base64 requests joined by "||" in `output`.
std::string CreateRequests(const std::string& mediaId, const std::string& text,
                           std::string& output) {
  int32_t length = 16384;
  output.assign(static_cast<size_t>(length), '\0');
  const uint32_t status = Provider().CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()),
                                                  mediaId.c_str(), output.data(), &length);
  output.resize(status == 0 ? static_cast<size_t>(length) : 0);
  return status == 0 ? "" : Failed("KQ_CreatePKCS10", status);
}

// KQ_GetAllCertDN's list of the key's subjects, joined by "||".
std::string ListSubjects(const std::string& mediaId, std::string& list) {
  list.assign(4096, '\0');
  auto length = static_cast<int32_t>(list.size());
  const uint32_t status = Provider().GetAllCertDN(mediaId.c_str(), list.data(), &length);
  list.resize(status == 0 ? static_cast<size_t>(length) : 0);
  return status == 0 ? "" : Failed("KQ_GetAllCertDN", status);
}

// The check that the list names a subject with each part (crypt32 quotes values with spaces).
std::string ListsSubjects(const std::string& list, std::initializer_list<const char*> parts) {
  std::string unquoted = list;
  std::erase(unquoted, '"');
  for (const char* part : parts) {
    if (unquoted.find(part) == std::string::npos) {
      return "the subjects \"" + list + "\" lack " + part;
    }
  }
  return "";
}

// Requests for `text`, certified and installed; the subjects on the key in `subjects`.
std::string Enrol(const std::string& mediaId, const std::string& text,
                  std::vector<std::string>& subjects) {
  std::string requests;
  if (std::string problem = CreateRequests(mediaId, text, requests); !problem.empty()) {
    return problem;
  }
  const std::string certificates = CertificateListForRequests(requests);
  if (certificates.empty()) {
    return "the requests could not be certified";
  }
  if (const uint32_t status = Provider().WritePKCS7(mediaId.c_str(), certificates.c_str(),
                                                    static_cast<int32_t>(certificates.size()));
      status != 0) {
    return Failed("KQ_WritePKCS7", status);
  }
  std::string list;
  if (std::string problem = ListSubjects(mediaId, list); !problem.empty()) {
    return problem;
  }
  subjects.clear();
  for (size_t at = 0; at <= list.size();) {
    const size_t end = std::min(list.find("||", at), list.size());
    subjects.push_back(list.substr(at, end - at));
    at = end + 2;
  }
  return "";
}

// KQ_GetSignature with the size query first when `sizeQuery`.
std::string SignWithSubject(const std::string& subject, const std::vector<uint8_t>& data,
                            bool sizeQuery, Outcome& outcome) {
  int32_t signatureLength = 0;
  uint32_t certificateLength = 0;
  if (sizeQuery) {
    if (const uint32_t status =
            Provider().GetSignature(data.data(), static_cast<uint32_t>(data.size()),
                                    subject.c_str(), static_cast<uint32_t>(subject.size()), nullptr,
                                    0, nullptr, &signatureLength, nullptr, &certificateLength);
        status != 0) {
      return Failed("KQ_GetSignature size query", status);
    }
  } else {
    signatureLength = 2048;
    certificateLength = 8192;
  }
  std::vector<uint8_t> signature(static_cast<size_t>(signatureLength));
  std::vector<uint8_t> certificate(certificateLength);
  const uint32_t status =
      Provider().GetSignature(data.data(), static_cast<uint32_t>(data.size()), subject.c_str(),
                              static_cast<uint32_t>(subject.size()), nullptr, 0, signature.data(),
                              &signatureLength, certificate.data(), &certificateLength);
  signature.resize(status == 0 ? static_cast<size_t>(signatureLength) : 0);
  certificate.resize(status == 0 ? certificateLength : 0);
  outcome.signatures = {signature};
  outcome.certificate = certificate;
  return status == 0 ? "" : Failed("KQ_GetSignature", status);
}

// The signature that KQ_GetSignature gave verifies with the certificate it gave, where the
// platform has a verifier here (Linux: openssl, SM2 included; Windows: none, no verdict).
std::string SignatureVerifies(const Outcome& outcome, const std::vector<uint8_t>& data,
                              const std::string& digest) {
  if (outcome.signatures.size() != 1) {
    return "no signature";
  }
  const std::optional<bool> verdict =
      CertificateSignatureVerifies(outcome.certificate, data, outcome.signatures[0], digest);
  return verdict.value_or(true) ? "" : "the signature does not verify";
}

// The subject of the one certificate on the key whose text contains `part`.
std::string SubjectWith(const std::vector<std::string>& subjects, const std::string& part) {
  for (const std::string& subject : subjects) {
    if (subject.find(part) != std::string::npos) {
      return subject;
    }
  }
  return "";
}

// The data that the KQ_GetSignature operations sign.
std::vector<uint8_t> TransactionData() {
  return TransactionMessage("0001", "Pay 100.00 CNY to 6222 0000", "reference 42");
}
std::vector<uint8_t> PlainData() {
  const std::string text = "plain data to sign";
  return {text.begin(), text.end()};
}

Steps StepsOf(BudgetedOperation operation, const std::string& mediaId,
              std::shared_ptr<std::vector<std::string>> subjects) {
  auto outcome = std::make_shared<Outcome>();
  const auto enrol = [mediaId, subjects] { return Enrol(mediaId, kBothRequests, *subjects); };
  const auto none = [] { return std::string(); };
  switch (operation) {
    case BudgetedOperation::kCspSignOnce:
    case BudgetedOperation::kCspSignTwice: {
      const int signatures = operation == BudgetedOperation::kCspSignOnce ? 1 : 2;
      return {[] { return NewContainer(kContainer, true); },
              [signatures, outcome] { return SignInContainer(signatures, *outcome); },
              [outcome] { return SignaturesVerify(*outcome); }};
    }
    case BudgetedOperation::kCspNewKeysetGenKey:
      return {none, [] { return NewContainer(kContainer, true); },
              [outcome] {
                // The new pair signs, and its signature verifies.
                const std::string problem = SignInContainer(1, *outcome);
                return problem.empty() ? SignaturesVerify(*outcome) : problem;
              }};
    case BudgetedOperation::kCspEnumContainers:
      return {[] {
                std::string problem;
                for (const char* name : {"first", "second", "third"}) {
                  problem += NewContainer(name, false);
                }
                return problem;
              },
              [] { return EnumerateContainers(); }};
    case BudgetedOperation::kCreatePkcs10:
      return {none,
              [mediaId, outcome] {
                return CreateRequests(mediaId, kRsaSignatureRequest, outcome->text);
              },
              [outcome] {
                // The request decodes, and its signature verifies (CertifyRequest checks it).
                return CertificateListForRequests(outcome->text).empty()
                           ? "the request does not decode"
                           : "";
              }};
    case BudgetedOperation::kWritePkcs7: {
      auto certificates = std::make_shared<std::string>();
      return {
          [mediaId, certificates] {
            std::string requests;
            std::string problem = CreateRequests(mediaId, kRsaSignatureRequest, requests);
            *certificates = CertificateListForRequests(requests);
            return !problem.empty()        ? problem
                   : certificates->empty() ? "the requests could not be certified"
                                           : "";
          },
          [mediaId, certificates] {
            const uint32_t status = Provider().WritePKCS7(
                mediaId.c_str(), certificates->c_str(), static_cast<int32_t>(certificates->size()));
            return status == 0 ? "" : Failed("KQ_WritePKCS7", status);
          },
          [mediaId, outcome] {
            const std::string problem = ListSubjects(mediaId, outcome->text);
            return problem.empty() ? ListsSubjects(outcome->text, {"CN=Budget Signer"}) : problem;
          }};
    }
    case BudgetedOperation::kGetAllCertDn:
      return {enrol, [mediaId, outcome] { return ListSubjects(mediaId, outcome->text); },
              [outcome] {
                return ListsSubjects(outcome->text, {"CN=Budget Signer", "CN=Budget SM2"});
              }};
    case BudgetedOperation::kSignTransaction:
      return {enrol,
              [subjects, outcome] {
                return SignWithSubject(SubjectWith(*subjects, "Budget Signer"), TransactionData(),
                                       true, *outcome);
              },
              [outcome] { return SignatureVerifies(*outcome, TransactionData(), "sha1"); }};
    case BudgetedOperation::kSignSm2Plain:
      return {enrol,
              [subjects, outcome] {
                return SignWithSubject(SubjectWith(*subjects, "Budget SM2"), PlainData(), false,
                                       *outcome);
              },
              [outcome] { return SignatureVerifies(*outcome, PlainData(), "sm3"); }};
    case BudgetedOperation::kPkcs11List:
      return {enrol, [] { return ListTokenObjects(); }};
    case BudgetedOperation::kPkcs11Sign:
      return {enrol, [] { return SignThroughModule(); }};
  }
  return {};
}

}  // namespace

std::string CertificateListForRequests(const std::string& requests) {
  std::string list;
  for (size_t at = 0; at < requests.size();) {
    const size_t end = std::min(requests.find("||", at), requests.size());
    const std::string certificate = CertifyRequest(requests.substr(at, end - at));
    if (certificate.empty()) {
      return "";
    }
    list += (list.empty() ? "" : "||") + certificate;
    at = end + 2;
  }
  return list;
}

const std::vector<BudgetedOperationInfo>& BudgetedOperations() {
  static const std::vector<BudgetedOperationInfo> operations = {
      {BudgetedOperation::kCspSignOnce, "csp_sign",
       "open a container + CPGetUserKey + CPSignHash (SHA-256, with its size query)", 36},
      {BudgetedOperation::kCspSignTwice, "csp_sign_twice", "the same with two signatures", 56},
      {BudgetedOperation::kCspNewKeysetGenKey, "csp_newkeyset_genkey",
       "CRYPT_NEWKEYSET + CPGenKey (RSA 2048)", 47},
      {BudgetedOperation::kCspEnumContainers, "csp_enum_containers",
       "PP_ENUMCONTAINERS, 3 containers", 8},
      {BudgetedOperation::kCreatePkcs10, "create_pkcs10", "KQ_CreatePKCS10, one RSA 2048 request",
       49},
      {BudgetedOperation::kWritePkcs7, "write_pkcs7", "KQ_WritePKCS7, first certificate", 32},
      {BudgetedOperation::kGetAllCertDn, "get_all_cert_dn",
       "KQ_GetAllCertDN, 2 certificates (one call)", 13},
      {BudgetedOperation::kSignTransaction, "sign_transaction",
       "KQ_GetSignature, transaction (size query + sign)", 30},
      {BudgetedOperation::kSignSm2Plain, "sign_sm2_plain", "KQ_GetSignature, plain data, SM2", 33},
      // Designed as PP_ENUMCONTAINERS over the key's two containers (7) plus one certificate read
      // (2 calls) per container.
      {BudgetedOperation::kPkcs11List, "pkcs11_list",
       "PKCS #11 listing: slot and token info, 4 objects' attributes (2 containers)", 11},
      // Designed as what CPSignHash costs (csp_sign).
      {BudgetedOperation::kPkcs11Sign, "pkcs11_sign",
       "PKCS #11 login + C_SignInit + C_Sign (SHA-256, with its size query)", 33},
  };
  return operations;
}

OperationRun RunBudgetedOperation(BudgetedOperation operation, SoftKeyScene& scene,
                                  uint32_t latencyMs) {
  OperationRun run;
  if (!Provider().complete) {
    run.problem = Provider().problem;
    return run;
  }
  const ScopedEnv pin("KQSIM_PIN", "12345678");
  const ScopedEnv uiLog("KQCSP_UI_LOG", (scene.root() / "ui.log").string());
  const std::string key = scene.AddKey();
  auto subjects = std::make_shared<std::vector<std::string>>();
  const Steps steps = StepsOf(operation, scene.MediaId(key), subjects);
  if (run.problem = steps.prepare(); !run.problem.empty()) {
    return run;
  }
  sim::Counters before;
  const int64_t callsBefore = CallsSoFar(scene, key, &before);
  const int64_t pinEntryBefore = PinEntryCalls(scene);
  const auto start = std::chrono::steady_clock::now();
  {
    const ScopedEnv latency(sim::kLatencyVariable, std::to_string(latencyMs));
    run.problem = steps.measure();
  }
  run.wallTime = std::chrono::steady_clock::now() - start;
  run.calls = CallsSoFar(scene, key, &run.counts) - callsBefore;
  run.pinEntryCalls = PinEntryCalls(scene) - pinEntryBefore;
  run.handlesLeftOpen = scene.OpenHandles(key);
  for (const auto& [name, calls] : before) {
    run.counts[name] -= calls;
  }
  std::erase_if(run.counts, [](const auto& entry) { return entry.second == 0; });
  if (run.problem.empty()) {
    run.problem = steps.check();
  }
  run.ran = run.problem.empty();
  return run;
}

}  // namespace kq::test
