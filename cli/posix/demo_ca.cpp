// POSIX: the `openssl` command is the CA and the verifier; its key and certificate are files of
// the scene.
#include "demo_ca.h"
#include "byte_text.h"

namespace kq::cli {

struct DemoCa::Authority {};

namespace {
constexpr DemoCaNames kNames = {
    "openssl checked the requests' signatures and issued the",
    "verify the RSA signature with openssl",
    "openssl dgst -sha256 -verify with the certificate's key: Verified OK",
    "verify the SM2 signature with openssl",
    "openssl dgst -sm3 -verify, identity 1234567812345678: Verified OK",
    "openssl agrees",
};

// The certificate's public key as a PEM file of the scene.
bool WritePublicKey(DemoScene& scene, std::span<const uint8_t> certificateDer,
                    const std::string& name, std::string& pemPath) {
  const std::string certificate = scene.File(name + ".verify.der");
  pemPath = scene.File(name + ".pub.pem");
  return WriteFileBytes(certificate, certificateDer) &&
         scene.Run({"openssl", "x509", "-inform", "DER", "-in", certificate, "-pubkey", "-noout",
                    "-out", pemPath});
}
}  // namespace

const DemoCaNames& DemoCa::Names() {
  return kNames;
}

DemoCa::DemoCa(DemoScene& scene) : scene_(scene) {}
DemoCa::~DemoCa() = default;

bool DemoCa::Discard() {
  return true;  // the key and certificate go with the scene
}

bool DemoCa::Fail(const std::string& what) {
  const std::string tail = scene_.LogTail();
  reason_ = what + (tail.empty() ? "" : ": " + tail);
  return false;
}

bool DemoCa::Create() {
  const std::string key = scene_.File("ca.key");
  if (!scene_.Run({"openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                   "-out", key}) ||
      !scene_.Run({"openssl", "req", "-x509", "-new", "-key", key, "-subj",
                   "/C=CN/O=Demo Bank/CN=Demo Bank Throwaway CA", "-days", "2", "-sha256", "-out",
                   scene_.File("ca.pem")})) {
    return Fail("openssl could not make the CA");
  }
  return true;
}

std::optional<std::vector<uint8_t>> DemoCa::Issue(std::span<const uint8_t> requestDer,
                                                  const std::string& name, bool sm2, int serial) {
  const std::string request = scene_.File(name + ".req.der");
  const std::string certificate = scene_.File(name + ".cert.der");
  if (!WriteFileBytes(request, requestDer)) {
    Fail("cannot write " + request);
    return std::nullopt;
  }
  std::vector<std::string> command = {"openssl",
                                      "x509",
                                      "-req",
                                      "-inform",
                                      "DER",
                                      "-in",
                                      request,
                                      "-CA",
                                      scene_.File("ca.pem"),
                                      "-CAkey",
                                      scene_.File("ca.key"),
                                      "-set_serial",
                                      std::to_string(serial),
                                      "-days",
                                      "1",
                                      "-sha256",
                                      "-outform",
                                      "DER",
                                      "-out",
                                      certificate};
  if (sm2) {
    // The request's own SM2 signature is checked over the default identity.
    command.insert(command.end(), {"-vfyopt", std::string("distid:") + kSm2DefaultId});
  }
  if (!scene_.Run(command)) {
    Fail("openssl refused the request");
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> der = ReadFileBytes(certificate);
  if (!der) {
    Fail("cannot read " + certificate);
  }
  return der;
}

bool DemoCa::VerifyRsa(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                       std::span<const uint8_t> signature, const std::string& digest,
                       const std::string& name) {
  std::string key;
  const std::string dataPath = scene_.File(name + ".data");
  const std::string signaturePath = scene_.File(name + ".sig");
  if (!WritePublicKey(scene_, certificateDer, name, key)) {
    return Fail("openssl could not read the certificate's public key");
  }
  if (!WriteFileBytes(dataPath, data) || !WriteFileBytes(signaturePath, signature)) {
    return Fail("cannot write the files to verify");
  }
  if (!scene_.Run({"openssl", "dgst", "-" + digest, "-verify", key, "-signature", signaturePath,
                   dataPath})) {
    return Fail("openssl does not accept the signature");
  }
  return true;
}

bool DemoCa::VerifySm2(std::span<const uint8_t> certificateDer, std::span<const uint8_t> data,
                       std::span<const uint8_t> signature, const std::string& name) {
  if (signature.size() != 64) {
    return Fail("an SM2 signature is 64 bytes, not " + std::to_string(signature.size()));
  }
  std::string key;
  if (!WritePublicKey(scene_, certificateDer, name, key)) {
    return Fail("openssl could not read the certificate's public key");
  }
  // openssl verifies the DER form SEQUENCE { r INTEGER, s INTEGER }; it encodes it itself.
  const std::string config = scene_.File(name + ".sig.cnf");
  const std::string text = "asn1=SEQUENCE:signature\n[signature]\nr=INTEGER:0x" +
                           HexText(signature.first(32)) + "\ns=INTEGER:0x" +
                           HexText(signature.subspan(32)) + "\n";
  const std::string dataPath = scene_.File(name + ".data");
  const std::string signaturePath = scene_.File(name + ".sig.der");
  if (!WriteFileText(config, text) || !WriteFileBytes(dataPath, data)) {
    return Fail("cannot write the files to verify");
  }
  if (!scene_.Run({"openssl", "asn1parse", "-genconf", config, "-out", signaturePath, "-noout"})) {
    return Fail("openssl could not encode the signature");
  }
  if (!scene_.Run({"openssl", "dgst", "-sm3", "-verify", key, "-sigopt",
                   std::string("distid:") + kSm2DefaultId, "-signature", signaturePath,
                   dataPath})) {
    return Fail("openssl does not accept the signature");
  }
  return true;
}

}  // namespace kq::cli
