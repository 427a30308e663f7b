// Commands for the signature exports: KQ_GetSignature, KQ_GetPubKeySignValue, KQ_GetIDValue.
#include "byte_text.h"
#include "command.h"
#include "inputs.h"

namespace kq::cli {

namespace {

// A KQ_GetSignature call, with which meaning a status of two meanings has: `reason` is the last
// error, read right after the call.
CallRecord& AddSignatureCall(uint32_t status, uint32_t reason, Report& report) {
  CallRecord& call = report.AddToolCall("KQ_GetSignature", status);
  if (status != 0) {
    call.status = DescribeToolStatus("KQ_GetSignature", status, reason);
  }
  return call;
}

void SaveOutput(const Arguments& args, std::string_view option, std::span<const uint8_t> bytes,
                CallRecord& call, Report& report) {
  if (const std::string* path = args.Value(option)) {
    if (WriteFileBytes(*path, bytes)) {
      call.outputs.Set(std::string(option), *path);
    } else {
      report.AddProblem("cannot write " + *path);
    }
  }
}

std::string Sign(Context& context, const Arguments& args, Report& report) {
  const std::string* subject = args.Value("subject");
  if (subject == nullptr) {
    return "sign needs --subject DN";
  }
  std::string error;
  const std::optional<std::vector<uint8_t>> data = ReadData(args, error);
  if (!data) {
    return error;
  }
  const auto function = context.api().KQ_GetSignature;
  if (!HasExport(function, "KQ_GetSignature", report)) {
    return {};
  }
  const std::string dn = Utf8ToCp936(*subject);
  const std::string* hash = args.Value("hash");
  const char* hashName = hash != nullptr ? hash->c_str() : nullptr;
  const auto hashLength = static_cast<int32_t>(hash != nullptr ? hash->size() : 0);
  const auto dataLength = static_cast<uint32_t>(data->size());
  const auto dnLength = static_cast<uint32_t>(dn.size());

  // A null buffer asks for both sizes without signing (and without asking for the PIN).
  int32_t signatureLength = 0;
  uint32_t certificateLength = 0;
  uint32_t status = function(data->data(), dataLength, dn.c_str(), dnLength, hashName, hashLength,
                             nullptr, &signatureLength, nullptr, &certificateLength);
  if (status != 0) {
    const uint32_t reason = context.provider->LastError();
    AddSignatureCall(status, reason, report).outputs.Set("query", "sizes");
    return {};
  }
  std::vector<uint8_t> signature(static_cast<size_t>(signatureLength > 0 ? signatureLength : 1));
  std::vector<uint8_t> certificate(certificateLength > 0 ? certificateLength : 1);
  status = function(data->data(), dataLength, dn.c_str(), dnLength, hashName, hashLength,
                    signature.data(), &signatureLength, certificate.data(), &certificateLength);
  const uint32_t reason = context.provider->LastError();
  CallRecord& call = AddSignatureCall(status, reason, report);
  call.outputs.Set("data_bytes", data->size()).Set("transaction", args.Has("transaction"));
  if (status != 0) {
    return {};
  }
  signature.resize(std::min(signature.size(), static_cast<size_t>(signatureLength)));
  certificate.resize(std::min<size_t>(certificate.size(), certificateLength));
  call.outputs.Set("signature_hex", HexText(signature));
  call.outputs.Set("certificate_bytes", certificate.size());
  SaveOutput(args, "signature-out", signature, call, report);
  SaveOutput(args, "certificate-out", certificate, call, report);
  return {};
}

// Items of the public-key list: 16-bit big-endian length and modulus, the same for the exponent.
bool AppendKeyItem(std::string_view text, std::vector<uint8_t>& list) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    return false;
  }
  const auto modulus = ParseHex(text.substr(0, colon));
  const auto exponent = ParseHex(text.substr(colon + 1));
  if (!modulus || !exponent || modulus->empty() || exponent->empty() || modulus->size() > 0xFFFF ||
      exponent->size() > 0xFFFF) {
    return false;
  }
  if (!list.empty()) {
    list.push_back('|');
    list.push_back('|');
  }
  for (const std::vector<uint8_t>* part : {&*modulus, &*exponent}) {
    list.push_back(static_cast<uint8_t>(part->size() >> 8));
    list.push_back(static_cast<uint8_t>(part->size() & 0xFF));
    list.insert(list.end(), part->begin(), part->end());
  }
  return true;
}

std::string PubKeySignValue(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  const std::vector<std::string> keys = args.Values("key");
  if (mediaId == nullptr || keys.empty()) {
    return "pubkey-sign-value needs --media-id ID and --key MODULUS_HEX:EXPONENT_HEX (repeatable)";
  }
  std::vector<uint8_t> callerData;
  if (const std::string* hex = args.Value("caller-data-hex")) {
    const auto bytes = ParseHex(*hex);
    if (!bytes) {
      return "--caller-data-hex is not hexadecimal";
    }
    callerData = *bytes;
  } else if (const std::string* text = args.Value("caller-data")) {
    const auto bytes = AsBytes(*text);
    callerData.assign(bytes.begin(), bytes.end());
  }
  callerData.resize(callerData.size() + 64);  // the key decides how much it reads
  std::vector<uint8_t> list;
  for (const std::string& key : keys) {
    if (!AppendKeyItem(key, list)) {
      return "--key needs MODULUS_HEX:EXPONENT_HEX, not \"" + key + "\"";
    }
  }
  const auto function = context.api().KQ_GetPubKeySignValue;
  if (!HasExport(function, "KQ_GetPubKeySignValue", report)) {
    return {};
  }
  const auto listLength = static_cast<int32_t>(list.size());
  int32_t length = 0;
  uint32_t status =
      function(callerData.data(), mediaId->c_str(), list.data(), listLength, nullptr, &length);
  if (status == 0) {
    std::vector<uint8_t> output(static_cast<size_t>(length > 0 ? length : 1));
    length = static_cast<int32_t>(output.size());
    status = function(callerData.data(), mediaId->c_str(), list.data(), listLength, output.data(),
                      &length);
    output.resize(std::min(output.size(), static_cast<size_t>(length > 0 ? length : 0)));
    CallRecord& call = report.AddToolCall("KQ_GetPubKeySignValue", status);
    if (status == 0) {
      call.outputs.Set("values_hex", HexText(output));
      SaveOutput(args, "out", output, call, report);
    }
    return {};
  }
  report.AddToolCall("KQ_GetPubKeySignValue", status);
  return {};
}

std::string IdValue(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  if (mediaId == nullptr) {
    return "id-value needs --media-id ID";
  }
  if (!HasExport(context.api().KQ_GetIDValue, "KQ_GetIDValue", report)) {
    return {};
  }
  std::vector<uint8_t> buffer(4096);
  auto length = static_cast<uint32_t>(buffer.size());
  const uint32_t status = context.api().KQ_GetIDValue(mediaId->c_str(), buffer.data(), &length);
  CallRecord& call = report.AddToolCall("KQ_GetIDValue", status);
  if (status == 0) {
    buffer.resize(std::min<size_t>(buffer.size(), length));
    call.outputs.Set("identity_data_hex", HexText(buffer));
    SaveOutput(args, "out", buffer, call, report);
  }
  return {};
}

constexpr OptionSpec kSign[] = {{"subject"},       {"hash"},           {"data"},
                                {"data-hex"},      {"data-file"},      {"transaction"},
                                {"signature-out"}, {"certificate-out"}};
constexpr OptionSpec kPubKey[] = {
    {"media-id"}, {"key", true, true}, {"caller-data"}, {"caller-data-hex"}, {"out"}};
constexpr OptionSpec kIdValue[] = {{"media-id"}, {"out"}};

constexpr CommandSpec kCommands[] = {
    {"sign",
     "--subject DN (--data TEXT|--data-hex HEX|--data-file F|--transaction \"F1|F2|F3\") "
     "[--hash NAME] [--signature-out F] [--certificate-out F]",
     "KQ_GetSignature: signs with the key whose certificate has the subject", kSign, Sign},
    {"pubkey-sign-value",
     "--media-id ID --key MODULUS_HEX:EXPONENT_HEX... [--caller-data TEXT|--caller-data-hex HEX]",
     "KQ_GetPubKeySignValue: the key's values for public keys it holds", kPubKey, PubKeySignValue},
    {"id-value", "--media-id ID [--out F]",
     "KQ_GetIDValue: the identity data block the key carries", kIdValue, IdValue},
};

}  // namespace

std::span<const CommandSpec> SignatureCommands() {
  return kCommands;
}

}  // namespace kq::cli
