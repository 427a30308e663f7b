// CryptoAPI steps on keys: generate, open, export and import blobs, the container's certificate
// and key parameters.
#include "byte_text.h"
#include "csp_session.h"

namespace kq::cli {

namespace {

std::optional<uint32_t> SpecOption(const Arguments& args, std::string& error) {
  const std::string* text = args.Value("spec");
  const std::optional<uint32_t> spec = KeySpec(text != nullptr ? *text : "signature");
  if (!spec) {
    error = "--spec is signature, exchange or a number";
  }
  return spec;
}

std::string GenKey(CspSession& s, const Arguments& args) {
  std::string error;
  const std::optional<uint32_t> spec = SpecOption(args, error);
  uint64_t bits = 0;
  uint64_t flags = 0;
  if (!spec || !NumberOption(args, "bits", 0xFFFF, bits, error) ||
      !NumberOption(args, "key-flags", 0xFFFF, flags, error)) {
    return error;
  }
  KqHandle key = 0;
  const auto dwFlags = static_cast<uint32_t>(bits << 16 | flags);
  CallRecord* call = nullptr;
  if (s.Record("CPGenKey", s.api().CPGenKey(s.provider(), *spec, dwFlags, &key), &call)) {
    s.key = key;
    call->outputs.Set("key_handle", static_cast<uint64_t>(key));
  }
  return {};
}

std::string UserKey(CspSession& s, const Arguments& args) {
  std::string error;
  const std::optional<uint32_t> spec = SpecOption(args, error);
  if (!spec) {
    return error;
  }
  KqHandle key = 0;
  CallRecord* call = nullptr;
  if (s.Record("CPGetUserKey", s.api().CPGetUserKey(s.provider(), *spec, &key), &call)) {
    s.key = key;
    call->outputs.Set("key_handle", static_cast<uint64_t>(key));
  }
  return {};
}

std::string ExportKey(CspSession& s, const Arguments& args) {
  uint32_t size = 0;
  if (!s.Record("CPExportKey", s.api().CPExportKey(s.provider(), s.key, 0, capi::kPublicKeyBlob, 0,
                                                   nullptr, &size))) {
    return {};
  }
  std::vector<uint8_t> blob(size);
  CallRecord* call = nullptr;
  if (s.Record(
          "CPExportKey",
          s.api().CPExportKey(s.provider(), s.key, 0, capi::kPublicKeyBlob, 0, blob.data(), &size),
          &call)) {
    blob.resize(std::min<size_t>(blob.size(), size));
    call->outputs.Set("blob_hex", HexText(blob)).Set("bits", LittleEndian32(blob, 12));
    SaveStepOutput(s, args, "out", blob, call);
  }
  return {};
}

std::string ImportKey(CspSession& s, const Arguments& args) {
  const std::string* path = args.Value("in");
  uint64_t flags = 0;
  std::string error;
  if (path == nullptr || !NumberOption(args, "key-flags", UINT32_MAX, flags, error)) {
    return error.empty() ? "import-key needs --in FILE (a key blob)" : error;
  }
  const auto blob = ReadFileBytes(*path);
  if (!blob) {
    s.report().AddProblem("cannot read " + *path);
    s.failed = true;
    return {};
  }
  KqHandle key = 0;
  CallRecord* call = nullptr;
  if (s.Record("CPImportKey",
               s.api().CPImportKey(s.provider(), blob->data(), static_cast<uint32_t>(blob->size()),
                                   0, static_cast<uint32_t>(flags), &key),
               &call)) {
    s.key = key;
    call->outputs.Set("key_handle", static_cast<uint64_t>(key));
  }
  return {};
}

std::string SetCertificate(CspSession& s, const Arguments& args) {
  const std::string* path = args.Value("in");
  if (path == nullptr) {
    return "set-cert needs --in FILE (PEM or DER)";
  }
  const auto content = ReadFileBytes(*path);
  const auto der = content ? CertificateDer(*content) : std::nullopt;
  if (!der) {
    s.report().AddProblem("cannot read a certificate from " + *path);
    s.failed = true;
    return {};
  }
  s.Record("CPSetKeyParam",
           s.api().CPSetKeyParam(s.provider(), s.key, capi::kKpCertificate, der->data(), 0));
  return {};
}

std::string GetCertificate(CspSession& s, const Arguments& args) {
  uint32_t size = 0;
  if (!s.Record("CPGetKeyParam", s.api().CPGetKeyParam(s.provider(), s.key, capi::kKpCertificate,
                                                       nullptr, &size, 0))) {
    return {};
  }
  std::vector<uint8_t> der(size);
  CallRecord* call = nullptr;
  if (s.Record(
          "CPGetKeyParam",
          s.api().CPGetKeyParam(s.provider(), s.key, capi::kKpCertificate, der.data(), &size, 0),
          &call)) {
    der.resize(std::min<size_t>(der.size(), size));
    call->outputs.Set("certificate_bytes", der.size());
    SaveStepOutput(s, args, "out", der, call);
  }
  return {};
}

struct NamedNumber {
  std::string_view name;
  uint32_t value;
};

constexpr NamedNumber kKeyParams[] = {
    {"padding", 3}, {"mode", 4},     {"mode-bits", 5}, {"permissions", 6},
    {"algid", 7},   {"blocklen", 8}, {"keylen", 9},    {"effective-keylen", 19}};

std::string KeyParam(CspSession& s, const Arguments& args) {
  const std::string* name = args.Value("param");
  std::optional<uint32_t> param;
  for (const NamedNumber& entry : kKeyParams) {
    if (name != nullptr && entry.name == *name) {
      param = entry.value;
    }
  }
  if (!param) {
    return "key-param needs --param padding, mode, mode-bits, permissions, algid, blocklen, "
           "keylen or effective-keylen";
  }
  std::vector<uint8_t> value(64);
  auto size = static_cast<uint32_t>(value.size());
  CallRecord* call = nullptr;
  if (s.Record("CPGetKeyParam",
               s.api().CPGetKeyParam(s.provider(), s.key, *param, value.data(), &size, 0), &call)) {
    call->outputs.Set("param", *name).Set("value", LittleEndian32(value, 0));
  }
  return {};
}

std::string DestroyKey(CspSession& s, const Arguments& /*args*/) {
  s.Record("CPDestroyKey", s.api().CPDestroyKey(s.provider(), s.key));
  return {};
}

constexpr OptionSpec kGenKey[] = {{"spec"}, {"bits"}, {"key-flags"}};
constexpr OptionSpec kSpec[] = {{"spec"}};
constexpr OptionSpec kOut[] = {{"out"}};
constexpr OptionSpec kImport[] = {{"in"}, {"key-flags"}};
constexpr OptionSpec kIn[] = {{"in"}};
constexpr OptionSpec kParam[] = {{"param"}};

constexpr CspStep kSteps[] = {
    {"genkey", "[--spec signature|exchange|ALGID] [--bits N] [--key-flags N]", kGenKey, GenKey},
    {"user-key", "[--spec signature|exchange]", kSpec, UserKey},
    {"export-key", "[--out FILE]", kOut, ExportKey},
    {"import-key", "--in FILE [--key-flags N]", kImport, ImportKey},
    {"set-cert", "--in FILE", kIn, SetCertificate},
    {"get-cert", "[--out FILE]", kOut, GetCertificate},
    {"key-param", "--param NAME", kParam, KeyParam},
    {"destroy-key", "", std::span(kSpec, 0), DestroyKey},
};

}  // namespace

std::span<const CspStep> CspKeySteps() {
  return kSteps;
}

}  // namespace kq::cli
