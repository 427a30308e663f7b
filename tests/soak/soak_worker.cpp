// One process of the soak run (scripts/soak.sh): the built provider loaded as a bank tool loads
// it, one role run in a loop, every signature written out for openssl to verify afterwards.
//   soak_worker csp-sign  COUNT MEDIA_ID OUT_DIR CONTAINER   CPAcquireContext ... CPSignHash
//   soak_worker tool-sign COUNT MEDIA_ID OUT_DIR SUBJECT     KQ_GetSignature
//   soak_worker enrol     COUNT MEDIA_ID OUT_DIR             request, install, delete a pair
//   soak_worker list      COUNT MEDIA_ID OUT_DIR             KQ_GetAllCertDN, PP_ENUMCONTAINERS
// It prints one line: "<role> ops N failures F rss100_kib A rss_end_kib B" (resident memory after
// the hundredth operation, or the fifth part of a shorter run, and after the last); exit status 0
// when no operation failed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "kqcsp.h"
#include "support/device_call_workload.h"
#include "support/provider_library.h"

namespace {

constexpr uint32_t kCalgSha256 = 0x800C;
constexpr uint32_t kAtSignature = 2;
constexpr uint32_t kVerifyContext = 0xF0000000;
constexpr uint32_t kPpEnumContainers = 2;
constexpr uint32_t kCryptFirst = 1;
constexpr int kRssSampleAt = 100;

using Bytes = std::vector<uint8_t>;

long ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return -1;
}

void WriteFile(const std::string& path, const void* data, size_t size) {
  std::ofstream(path, std::ios::binary)
      .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

struct Run {
  const kq::test::ProviderLibrary& p;
  std::string media;
  std::string out;
  std::string argument;
  int op = 0;

  bool CspSign() {
    KqHandle prov = 0;
    KqHandle hash = 0;
    const std::string message = "csp soak message " + std::to_string(op);
    Bytes signature(512);
    auto length = static_cast<uint32_t>(signature.size());
    const bool ok = p.CPAcquireContext(&prov, argument.c_str(), 0, nullptr) &&
                    p.CPCreateHash(prov, kCalgSha256, 0, 0, &hash) &&
                    p.CPHashData(prov, hash, reinterpret_cast<const uint8_t*>(message.data()),
                                 static_cast<uint32_t>(message.size()), 0) &&
                    p.CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length);
    if (hash != 0) {
      p.CPDestroyHash(prov, hash);
    }
    if (prov != 0) {
      p.CPReleaseContext(prov, 0);
    }
    // CryptoAPI's byte order is least significant first; openssl reads the other.
    std::reverse(signature.begin(), signature.begin() + length);
    return ok && Save("csp", message, signature.data(), length);
  }

  bool ToolSign() {
    const std::string message = "tool soak message " + std::to_string(op);
    Bytes signature(512);
    Bytes certificate(4096);
    auto signatureLength = static_cast<int32_t>(signature.size());
    auto certificateLength = static_cast<uint32_t>(certificate.size());
    const uint32_t status = p.GetSignature(
        reinterpret_cast<const uint8_t*>(message.data()), static_cast<uint32_t>(message.size()),
        argument.c_str(), static_cast<uint32_t>(argument.size()), "SHA256", 6, signature.data(),
        &signatureLength, certificate.data(), &certificateLength);
    return status == 0 &&
           Save("tool", message, signature.data(), static_cast<size_t>(signatureLength));
  }

  bool Save(const char* kind, const std::string& message, const uint8_t* sig, size_t size) {
    const std::string base = out + "/" + kind + "-" + std::to_string(op);
    WriteFile(base + ".msg", message.data(), message.size());
    WriteFile(base + ".sig", sig, size);
    return true;
  }

  bool Enrol() {
    const std::string name = "CN=Soak " + std::to_string(op);
    const std::string record = name + ",T=Ex|RSA1024|SHA256|3";
    const std::string subject = name + ", T=Ex";  // as the key lists it
    std::string request(4096, '\0');
    auto length = static_cast<int32_t>(request.size());
    if (p.CreatePKCS10(record.c_str(), static_cast<int32_t>(record.size()), media.c_str(),
                       request.data(), &length) != 0) {
      return false;
    }
    request.resize(static_cast<size_t>(length));
    const std::string certificate = kq::test::CertifyRequest(request);
    uint32_t deleted = 0;
    return p.WritePKCS7(media.c_str(), certificate.c_str(),
                        static_cast<int32_t>(certificate.size())) == 0 &&
           p.DeleteTempKeyOrCert(subject.c_str(), 0, media.c_str(), &deleted) == 0 && deleted == 1;
  }

  bool List() {
    int32_t length = 0;
    const auto listing = p.GetAllCertDN;
    std::string subjects(8192, '\0');
    length = static_cast<int32_t>(subjects.size());
    if (listing(media.c_str(), subjects.data(), &length) != 0) {
      return false;
    }
    KqHandle prov = 0;
    if (!p.CPAcquireContext(&prov, nullptr, kVerifyContext, nullptr)) {
      return false;
    }
    const auto param = p.CPGetProvParam;
    char name[512];
    auto size = static_cast<uint32_t>(sizeof name);
    int names = 0;
    for (uint32_t flags = kCryptFirst;
         param(prov, kPpEnumContainers, reinterpret_cast<uint8_t*>(name), &size, flags) != 0;
         flags = 0, size = sizeof name) {
      ++names;
    }
    p.CPReleaseContext(prov, 0);
    return names >= 1;  // the signer's container is always there
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: soak_worker ROLE COUNT MEDIA_ID OUT_DIR [ARGUMENT]\n");
    return 2;
  }
  const std::string role = argv[1];
  const int count = std::atoi(argv[2]);
  if (!kq::test::Provider().complete) {
    std::fprintf(stderr, "%s\n", kq::test::Provider().problem.c_str());
    return 2;
  }
  Run run{kq::test::Provider(), argv[3], argv[4], argc > 5 ? argv[5] : ""};
  const std::function<bool()> step =
      role == "csp-sign"    ? std::function<bool()>([&] { return run.CspSign(); })
      : role == "tool-sign" ? [&] { return run.ToolSign(); }
      : role == "enrol"     ? [&] { return run.Enrol(); }
                            : std::function<bool()>([&] { return run.List(); });
  int failures = 0;
  long rss100 = ResidentKib();
  for (run.op = 1; run.op <= count; ++run.op) {
    failures += step() ? 0 : 1;
    // The hundredth operation, or the fifth part of a shorter run (the 50 enrolments).
    if (run.op == std::min(kRssSampleAt, std::max(count / 5, 1))) {
      rss100 = ResidentKib();
    }
  }
  std::printf("%s ops %d failures %d rss100_kib %ld rss_end_kib %ld\n", role.c_str(), count,
              failures, rss100, ResidentKib());
  return failures == 0 ? 0 : 1;
}
