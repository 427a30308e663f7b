// CryptoAPI steps on hashes: hash data on the host, read or set the value, have the key sign it,
// verify a signature on the host.
#include <algorithm>

#include "byte_text.h"
#include "csp_session.h"
#include "inputs.h"

namespace kq::cli {

namespace {

// CPCreateHash and CPHashData; false when a usage error or a failed call ends the step.
bool CreateAndHash(CspSession& s, const Arguments& args, std::string& error) {
  const std::string* name = args.Value("alg");
  const std::optional<uint32_t> alg = HashAlgorithmId(name != nullptr ? *name : "sha256");
  if (!alg) {
    error = "--alg is md5, sha1, sha256, sha384, sha512, ssl3-shamd5 or an ALG_ID";
    return false;
  }
  std::optional<std::vector<uint8_t>> data;
  if (args.Has("data") || args.Has("data-hex") || args.Has("data-file") ||
      args.Has("transaction")) {
    data = ReadData(args, error);
    if (!data) {
      return false;
    }
  }
  KqHandle hash = 0;
  CallRecord* call = nullptr;
  if (!s.Record("CPCreateHash", s.api().CPCreateHash(s.provider(), *alg, 0, 0, &hash), &call)) {
    return false;
  }
  call->outputs.Set("alg_id", *alg).Set("hash_handle", static_cast<uint64_t>(hash));
  s.hash = hash;
  if (data) {
    if (!s.Record("CPHashData",
                  s.api().CPHashData(s.provider(), hash, data->data(),
                                     static_cast<uint32_t>(data->size()), 0),
                  &call)) {
      return false;
    }
    call->outputs.Set("bytes", data->size()).Set("transaction", args.Has("transaction"));
  }
  return true;
}

std::string Hash(CspSession& s, const Arguments& args) {
  std::string error;
  CreateAndHash(s, args, error);
  return error;
}

std::string HashValue(CspSession& s, const Arguments& args) {
  std::vector<uint8_t> value(64);
  auto size = static_cast<uint32_t>(value.size());
  CallRecord* call = nullptr;
  if (s.Record(
          "CPGetHashParam",
          s.api().CPGetHashParam(s.provider(), s.hash, capi::kHpHashVal, value.data(), &size, 0),
          &call)) {
    value.resize(std::min<size_t>(value.size(), size));
    call->outputs.Set("hash_hex", HexText(value));
    SaveStepOutput(s, args, "out", value, call);
  }
  return {};
}

std::string SetHashValue(CspSession& s, const Arguments& args) {
  const std::string* hex = args.Value("hex");
  const auto value = hex != nullptr ? ParseHex(*hex) : std::nullopt;
  if (!value) {
    return "set-hash-value needs --hex HEX (the whole hash value)";
  }
  s.Record("CPSetHashParam",
           s.api().CPSetHashParam(s.provider(), s.hash, capi::kHpHashVal, value->data(), 0));
  return {};
}

// CPSignHash with the size query first, as callers do.
std::string SignCurrent(CspSession& s, const Arguments& args) {
  const std::string* specText = args.Value("spec");
  const std::optional<uint32_t> spec = KeySpec(specText != nullptr ? *specText : "signature");
  if (!spec) {
    return "--spec is signature, exchange or a number";
  }
  uint32_t size = 0;
  if (!s.Record("CPSignHash",
                s.api().CPSignHash(s.provider(), s.hash, *spec, nullptr, 0, nullptr, &size))) {
    return {};
  }
  std::vector<uint8_t> signature(size);
  CallRecord* call = nullptr;
  if (!s.Record(
          "CPSignHash",
          s.api().CPSignHash(s.provider(), s.hash, *spec, nullptr, 0, signature.data(), &size),
          &call)) {
    return {};
  }
  signature.resize(std::min<size_t>(signature.size(), size));
  s.signature = signature;
  call->outputs.Set("signature_hex", HexText(signature));
  SaveStepOutput(s, args, "out", signature, call);
  // Most significant byte first, as openssl and PKCS #1 write signatures.
  std::vector<uint8_t> reversed(signature.rbegin(), signature.rend());
  SaveStepOutput(s, args, "out-reversed", reversed, call);
  return {};
}

std::string Sign(CspSession& s, const Arguments& args) {
  return SignCurrent(s, args);
}

std::string SignHash(CspSession& s, const Arguments& args) {
  std::string error;
  if (!CreateAndHash(s, args, error)) {
    return error;
  }
  return SignCurrent(s, args);
}

std::string Verify(CspSession& s, const Arguments& args) {
  std::vector<uint8_t> signature = s.signature;
  if (const std::string* path = args.Value("signature-in")) {
    const auto bytes = ReadFileBytes(*path);
    if (!bytes) {
      s.report().AddProblem("cannot read " + *path);
      s.failed = true;
      return {};
    }
    signature = *bytes;
  } else if (const std::string* hex = args.Value("signature-hex")) {
    const auto bytes = ParseHex(*hex);
    if (!bytes) {
      return "--signature-hex is not hexadecimal";
    }
    signature = *bytes;
  } else if (signature.empty()) {
    return "verify needs a signature: sign first, or --signature-in FILE or --signature-hex HEX";
  }
  if (args.Has("reversed")) {
    std::reverse(signature.begin(), signature.end());
  }
  CallRecord* call = nullptr;
  s.Record("CPVerifySignature",
           s.api().CPVerifySignature(s.provider(), s.hash, signature.data(),
                                     static_cast<uint32_t>(signature.size()), s.key, nullptr, 0),
           &call);
  call->outputs.Set("signature_bytes", signature.size());
  return {};
}

std::string DestroyHash(CspSession& s, const Arguments& /*args*/) {
  s.Record("CPDestroyHash", s.api().CPDestroyHash(s.provider(), s.hash));
  return {};
}

constexpr OptionSpec kHash[] = {{"alg"}, {"data"}, {"data-hex"}, {"data-file"}, {"transaction"}};
constexpr OptionSpec kOut[] = {{"out"}};
constexpr OptionSpec kSetValue[] = {{"hex"}};
constexpr OptionSpec kSign[] = {{"spec"}, {"out"}, {"out-reversed"}};
constexpr OptionSpec kSignHash[] = {{"alg"},         {"data"}, {"data-hex"}, {"data-file"},
                                    {"transaction"}, {"spec"}, {"out"},      {"out-reversed"}};
constexpr OptionSpec kVerify[] = {{"signature-in"}, {"signature-hex"}, {"reversed", false}};

constexpr CspStep kSteps[] = {
    {"hash", "[--alg sha256] [--data TEXT|--data-hex HEX|--data-file F|--transaction \"F1|F2|F3\"]",
     kHash, Hash},
    {"hash-value", "[--out FILE]", kOut, HashValue},
    {"set-hash-value", "--hex HEX", kSetValue, SetHashValue},
    {"sign", "[--spec signature|exchange] [--out FILE] [--out-reversed FILE]", kSign, Sign},
    {"sign-hash", "[--alg sha256] (--data ...) [--spec ...] [--out FILE] [--out-reversed FILE]",
     kSignHash, SignHash},
    {"verify", "[--signature-in FILE|--signature-hex HEX] [--reversed]", kVerify, Verify},
    {"destroy-hash", "", std::span(kOut, 0), DestroyHash},
};

}  // namespace

std::span<const CspStep> CspHashSteps() {
  return kSteps;
}

}  // namespace kq::cli
