// Commands for enrolment and the certificates on a key: KQ_CreatePKCS10, KQ_WritePKCS7,
// KQ_GetAllCertDN and KQ_DeleteTempKeyOrCert.
#include <filesystem>

#include "byte_text.h"
#include "command.h"
#include "inputs.h"
#include "sized_output.h"
#include "text_list.h"

namespace kq::cli {

namespace {

std::string Request(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  std::vector<std::string> records = args.Values("record");
  std::string error;
  const auto fromFile = ReadTextLines(args, "record-file", error);
  if (!fromFile) {
    return error;
  }
  records.insert(records.end(), fromFile->begin(), fromFile->end());
  const std::string* raw = args.Value("text");
  if (mediaId == nullptr || (records.empty() == (raw == nullptr))) {
    return "request needs --media-id ID and either --record \"DN|KEY|HASH|USAGE\" (repeatable, "
           "or one a line in --record-file FILE) or --text TEXT";
  }
  const auto function = context.api().KQ_CreatePKCS10;
  if (!HasExport(function, "KQ_CreatePKCS10", report)) {
    return {};
  }
  const std::string text = Utf8ToCp936(raw != nullptr ? *raw : JoinList(records, "||"));
  uint32_t status = 0;
  const auto output = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return function(text.data(), static_cast<int32_t>(text.size()), mediaId->c_str(),
                        reinterpret_cast<char*>(buffer), length);
      },
      status);
  CallRecord& call = report.AddToolCall("KQ_CreatePKCS10", status);
  if (!output) {
    return {};
  }
  const std::string joined(output->begin(), output->end());
  JsonList requests;
  JsonList files;
  size_t number = 0;
  for (const std::string& request : SplitList(joined, "||")) {
    ++number;
    requests.emplace_back(request);
    if (const std::string* dir = args.Value("out-dir")) {
      const std::string path =
          (std::filesystem::path(*dir) / ("request-" + std::to_string(number) + ".der")).string();
      const std::optional<std::vector<uint8_t>> der = ParseBase64(request);
      if (!der || !WriteFileBytes(path, *der)) {
        report.AddProblem("cannot write " + path);
      } else {
        files.emplace_back(path);
      }
    }
  }
  call.outputs.Set("requests_base64", std::move(requests));
  if (args.Has("out-dir")) {
    call.outputs.Set("files", std::move(files));
  }
  return {};
}

std::string Install(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  std::vector<std::string> items = args.Values("cert-base64");
  if (mediaId == nullptr) {
    return "install needs --media-id ID";
  }
  for (const std::string& path : args.Values("cert")) {
    const auto content = ReadFileBytes(path);
    const auto der = content ? CertificateDer(*content) : std::nullopt;
    if (!der) {
      report.AddProblem("cannot read a certificate from " + path);
      return {};
    }
    items.push_back(Base64Text(*der));
  }
  if (items.empty()) {
    return "install needs --cert FILE or --cert-base64 TEXT (each repeatable)";
  }
  if (!HasExport(context.api().KQ_WritePKCS7, "KQ_WritePKCS7", report)) {
    return {};
  }
  const std::string list = JoinList(items, "||");
  const uint32_t status =
      context.api().KQ_WritePKCS7(mediaId->c_str(), list.data(), static_cast<int32_t>(list.size()));
  report.AddToolCall("KQ_WritePKCS7", status).outputs.Set("certificates", items.size());
  return {};
}

std::string List(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  if (mediaId == nullptr) {
    return "list needs --media-id ID";
  }
  const auto function = context.api().KQ_GetAllCertDN;
  if (!HasExport(function, "KQ_GetAllCertDN", report)) {
    return {};
  }
  uint32_t status = 0;
  const auto text = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return function(mediaId->c_str(), reinterpret_cast<char*>(buffer), length);
      },
      status);
  CallRecord& call = report.AddToolCall("KQ_GetAllCertDN", status);
  if (text) {
    JsonList subjects;
    for (const std::string& subject : SplitList(
             std::string_view(reinterpret_cast<const char*>(text->data()), text->size()), "||")) {
      subjects.emplace_back(Cp936ToUtf8(subject));
    }
    call.outputs.Set("subjects", std::move(subjects));
  }
  return {};
}

std::string Delete(Context& context, const Arguments& args, Report& report) {
  const std::string* mediaId = args.Value("media-id");
  std::vector<std::string> subjects = args.Values("subject");
  std::string error;
  const auto fromFile = ReadTextLines(args, "subject-file", error);
  if (!fromFile) {
    return error;
  }
  subjects.insert(subjects.end(), fromFile->begin(), fromFile->end());
  if (mediaId == nullptr || subjects.empty()) {
    return "delete needs --media-id ID and --subject DN (repeatable, or one a line in "
           "--subject-file FILE)";
  }
  if (!HasExport(context.api().KQ_DeleteTempKeyOrCert, "KQ_DeleteTempKeyOrCert", report)) {
    return {};
  }
  const std::string list = Utf8ToCp936(JoinList(subjects, "||"));
  uint32_t deleted = 0;
  const uint32_t status =
      context.api().KQ_DeleteTempKeyOrCert(list.c_str(), 0, mediaId->c_str(), &deleted);
  report.AddToolCall("KQ_DeleteTempKeyOrCert", status).outputs.Set("deleted", deleted);
  return {};
}

constexpr OptionSpec kRequest[] = {
    {"media-id"}, {"record", true, true}, {"record-file"}, {"text"}, {"out-dir"}};
constexpr OptionSpec kInstall[] = {{"media-id"}, {"cert", true, true}, {"cert-base64", true, true}};
constexpr OptionSpec kList[] = {{"media-id"}};
constexpr OptionSpec kDelete[] = {{"media-id"}, {"subject", true, true}, {"subject-file"}};

constexpr CommandSpec kCommands[] = {
    {"request",
     "--media-id ID --record \"DN|RSA2048|SHA256|2\"... | --record-file FILE [--out-dir DIR]",
     "KQ_CreatePKCS10: generates key pairs on the key and returns their PKCS #10 requests",
     kRequest, Request},
    {"install", "--media-id ID --cert FILE...",
     "KQ_WritePKCS7: installs issued certificates (PEM, DER or base64) beside their key pairs",
     kInstall, Install},
    {"list", "--media-id ID", "KQ_GetAllCertDN: the subjects of the certificates on a key", kList,
     List},
    {"delete", "--media-id ID --subject DN... | --subject-file FILE",
     "KQ_DeleteTempKeyOrCert: deletes certificates with their key pairs (confirmed on the key)",
     kDelete, Delete},
};

}  // namespace

std::span<const CommandSpec> CertificateCommands() {
  return kCommands;
}

}  // namespace kq::cli
