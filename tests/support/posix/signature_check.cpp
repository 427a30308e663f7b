#include "support/signature_check.h"

#include <vector>

#include "support/openssl_command.h"
#include "support/temp_directory.h"

namespace kq::test {

std::optional<bool> BlobSignatureVerifies(std::span<const uint8_t> publicKeyBlob,
                                          std::span<const uint8_t> data,
                                          std::span<const uint8_t> signatureLe,
                                          const std::string& digestName) {
  const TempDirectory dir;
  const std::string key = dir.File("key.pem");
  const std::vector<uint8_t> signature(signatureLe.rbegin(), signatureLe.rend());
  std::vector<std::string> verify = {"pkeyutl",
                                     "-verify",
                                     "-pubin",
                                     "-inkey",
                                     key,
                                     "-in",
                                     dir.Write("data.bin", data).string(),
                                     "-sigfile",
                                     dir.Write("signature.bin", signature).string()};
  if (!digestName.empty()) {
    verify.insert(verify.end(), {"-rawin", "-digest", digestName});
  }
  return RunOpenssl({"rsa", "-pubin", "-inform", "MSBLOB", "-in",
                     dir.Write("key.blob", publicKeyBlob).string(), "-pubout", "-out", key})
                 .exitCode == 0 &&
         RunOpenssl(verify).exitCode == 0;
}

std::optional<bool> CertificateSignatureVerifies(std::span<const uint8_t> certificateDer,
                                                 std::span<const uint8_t> data,
                                                 std::span<const uint8_t> signature,
                                                 const std::string& digestName) {
  const TempDirectory dir;
  const auto certificate = dir.Write("certificate.der", certificateDer);
  const std::string key =
      RunOpenssl({"x509", "-inform", "DER", "-in", certificate.string(), "-noout", "-pubkey"}).out;
  if (digestName == "sm3") {
    return OpensslVerifySm2(key, data, signature);
  }
  const CommandResult result = RunOpenssl(
      {"dgst", "-" + digestName, "-verify", dir.Write("key.pem", key).string(), "-signature",
       dir.Write("signature.bin", signature).string(), dir.Write("data.bin", data).string()});
  return result.exitCode == 0 && result.out.find("Verified OK") != std::string::npos;
}

}  // namespace kq::test
