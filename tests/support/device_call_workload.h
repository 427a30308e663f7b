#pragma once
// The operations whose round trips to the key are measured and budgeted, each run through the
// built provider's exports on a soft key made for it, as the bank's tools and CryptoAPI call them.
// A run prepares what the operation needs (containers, key pairs, certificates), then counts the
// device calls of the operation alone (the key's counters and the root's ZANT_EnumDev and
// ZANT_GetDevNum) and its wall time, with the soft key answering after `latencyMs` per call.
// The PIN-entry library's own calls, as it counts them, are told apart: it opens the key,
// verifies the PIN and closes it again for each PIN prompt, which the provider does not control.
// Once counted, the operation's result is checked: its signatures verify, the subjects are
// listed, the request decodes.
//
// The call-budget test checks the counts; the benchmark (kq_bench) reports them with the time.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/softkey_scene.h"

namespace kq::test {

enum class BudgetedOperation {
  kCspSignOnce,         // open a container, CPGetUserKey, CPSignHash (SHA-256) with its size query
  kCspSignTwice,        // the same with two signatures
  kCspNewKeysetGenKey,  // CRYPT_NEWKEYSET, then CPGenKey (RSA 2048 signature pair)
  kCspEnumContainers,   // PP_ENUMCONTAINERS over three containers
  kCreatePkcs10,        // KQ_CreatePKCS10, one RSA 2048 request
  kWritePkcs7,          // KQ_WritePKCS7, the key's first certificate
  kGetAllCertDn,        // KQ_GetAllCertDN, two certificates on the key, one call
  kSignTransaction,     // KQ_GetSignature of a transaction message, size query and signature
  kSignSm2Plain,        // KQ_GetSignature of plain data with an SM2 key
  kPkcs11List,          // the PKCS #11 module: slot and token info, every object's attributes
  kPkcs11Sign,          // the PKCS #11 module: login, find the key, C_Sign with its size query
};

struct BudgetedOperationInfo {
  BudgetedOperation operation;
  const char* name;  // short, for benchmark and test names
  const char* description;
  // The provider's calls that the operation's steps make as designed, re-reading every file it
  // needs at each step: the count this project's reuse of what a handle read is measured against.
  int64_t designCalls;
};

// Every budgeted operation, in the order of docs/performance.md.
const std::vector<BudgetedOperationInfo>& BudgetedOperations();

struct OperationRun {
  bool ran = false;  // false: the operation could not be prepared, failed, or its result is wrong
  std::string problem;        // why not
  int64_t calls = 0;          // device calls of the operation alone, all of them
  int64_t pinEntryCalls = 0;  // those the PIN-entry library made
  sim::Counters counts;       // all of them by operation name
  int64_t handlesLeftOpen = 0;
  std::chrono::duration<double> wallTime{};

  [[nodiscard]] int64_t providerCalls() const { return calls - pinEntryCalls; }
};

// Prepares and runs one operation on a fresh key of `scene`. The certificate operations need a
// certification authority: the tests' CA on Linux, the system's crypt32 on Windows.
OperationRun RunBudgetedOperation(BudgetedOperation operation, SoftKeyScene& scene,
                                  uint32_t latencyMs = 0);

// Certificates for KQ_CreatePKCS10's output (base64 requests joined by "||"), issued by a
// throwaway authority with each request's subject and public key, in KQ_WritePKCS7's input form
// (base64 certificates joined by "||"); empty when a request cannot be certified.
std::string CertificateListForRequests(const std::string& requests);

// One base64 request certified, as base64; empty on failure. The platform's own authority: the
// tests' CA (the openssl command) on Linux, crypt32 on Windows.
std::string CertifyRequest(const std::string& requestBase64);

}  // namespace kq::test
