// The demo's first half: the provider loaded as a bank tool and as CryptoAPI loads it, a soft key
// made and checked, two key pairs requested, certified by a throwaway CA and installed.
#include <array>
#include <cstring>
#include <filesystem>

#include "common/utf.h"

#include "byte_text.h"
#include "demo_steps.h"
#include "platform/programs.h"
#include "platform/registry.h"
#include "sized_output.h"
#include "status_text.h"
#include "text_list.h"

namespace kq::cli {

StepOutcome Passed(std::string detail) {
  return {StepOutcome::Result::kPassed, std::move(detail)};
}
StepOutcome Failed(std::string detail) {
  return {StepOutcome::Result::kFailed, std::move(detail)};
}
StepOutcome Skipped(std::string detail) {
  return {StepOutcome::Result::kSkipped, std::move(detail)};
}

namespace {

constexpr char16_t kProviderKey[] =
    u"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For ORV v2.0";

std::string ToolFailure(std::string_view function, uint32_t status) {
  return std::string(function) + " " + StatusLine(DescribeToolStatus(function, status));
}

StepOutcome LoadAsTool(DemoState& s) {
  std::string error;
  s.tool = ProviderLibrary::Load(s.libraryOption, s.programPath, error);
  if (!s.tool) {
    return Failed(error);
  }
  if (!s.tool->missing().empty()) {
    return Failed("the library lacks " + JoinList(s.tool->missing(), ", "));
  }
  s.imagePath = platform::ModulePathOf(reinterpret_cast<const void*>(s.tool->exports().KQ_CSPName));
  if (s.imagePath.empty()) {
    s.imagePath = s.tool->fileName();
  }
  std::error_code ignored;
  s.imagePath =
      std::filesystem::weakly_canonical(std::filesystem::absolute(s.imagePath), ignored).string();
  return Passed(s.tool->fileName() + " found at " + s.imagePath);
}

// The provider's registration and the product key, in the .reg form the registry port reads.
std::string RegistryText(const std::string& imagePath) {
  std::string escaped;
  for (const char c : imagePath) {
    if (c == '\\' || c == '"') {
      escaped.push_back('\\');
    }
    escaped.push_back(c);
  }
  return "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\KQCSP For "
         "ORV v2.0]\n"
         "\"Image Path\"=\"" +
         escaped +
         "\"\n\"Type\"=dword:00000001\n\"Signature\"=hex:00\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\n"
         "\"LanguageID\"=dword:00000409\n\"IsUseSecDesk\"=dword:00000000\n";
}

StepOutcome Register(DemoState& s) {
  if (!s.tool) {
    return Skipped("needs the provider");
  }
  const std::string path = s.scene->File("registry.reg");
  if (!WriteFileText(path, RegistryText(s.imagePath))) {
    return Failed("cannot write " + path);
  }
  s.scene->SetEnvironment("KQCSP_REGISTRY", path);
  std::array<char, 64> message{};
  const uint32_t driver = s.tool->exports().KQ_CheckDriver(message.data());
  const uint32_t csp = s.tool->exports().KQ_CheckCSP(message.data());
  const std::string detail =
      "KQ_CheckDriver " + std::to_string(driver) + ", KQ_CheckCSP " + std::to_string(csp);
  if (driver != 1 || csp != 1) {
    return Failed(detail + " (" + Cp936ToUtf8(message.data()) + ")");
  }
  return Passed(detail + " with the registry file " + path);
}

StepOutcome LoadAsCryptoApi(DemoState& s) {
  if (!s.tool) {
    return Skipped("needs the registration");
  }
  // CryptoAPI finds the provider's file by the "Image Path" registered under its name.
  std::array<uint8_t, 2048> buffer{};
  size_t size = 0;
  uint32_t type = 0;
  if (platform::QueryRegistryValue(kProviderKey, u"Image Path", platform::RegistryView::kDefault,
                                   buffer, size, type) != platform::RegistryStatus::kOk) {
    return Failed("no \"Image Path\" under the provider's registry key");
  }
  std::u16string wide;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto c = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
    if (c == 0) {
      break;
    }
    wide.push_back(c);
  }
  std::string error;
  s.cryptoApi = ProviderLibrary::Load(Utf16ToUtf8(wide), s.programPath, error);
  if (!s.cryptoApi) {
    return Failed(error);
  }
  const ProviderExports& api = s.cryptoApi->exports();
  KqHandle provider = 0;
  if (api.CPAcquireContext(&provider, nullptr, 0xF0000000, nullptr) == 0) {
    return Failed("CPAcquireContext (CRYPT_VERIFYCONTEXT) " +
                  StatusLine(DescribeLastError(s.cryptoApi->LastError())));
  }
  std::array<uint8_t, 64> name{};
  auto nameLength = static_cast<uint32_t>(name.size());
  const int named = api.CPGetProvParam(provider, 4, name.data(), &nameLength, 0);
  const uint32_t nameError = s.cryptoApi->LastError();
  std::array<uint8_t, 4> kind{};
  auto kindLength = static_cast<uint32_t>(kind.size());
  const int typed = api.CPGetProvParam(provider, 16, kind.data(), &kindLength, 0);
  api.CPReleaseContext(provider, 0);
  if (named == 0 || typed == 0) {
    return Failed("CPGetProvParam " + StatusLine(DescribeLastError(nameError)));
  }
  return Passed("CPAcquireContext on the \"Image Path\"; PP_NAME \"" +
                std::string(reinterpret_cast<const char*>(name.data())) + "\", PP_PROVTYPE " +
                std::to_string(kind[0]));
}

StepOutcome CreateKey(DemoState& s) {
  const std::filesystem::path program(s.programPath);
  const std::string kqsim =
      (program.parent_path() / ("kqsim" + program.extension().string())).string();
  if (!std::filesystem::exists(kqsim)) {
    return Failed("kqsim is not built beside kqtool (" + kqsim + ")");
  }
  if (!s.scene->Run({kqsim, "create", "--family", "73", "--pin", "12345678", "--button", "ok:10",
                     "--label", "kqtool demo key"})) {
    return Failed("kqsim create failed: " + s.scene->LogTail());
  }
  return Passed("kqsim create: family 73, PIN 12345678, OK pressed after ten polls");
}

StepOutcome CheckKey(DemoState& s) {
  if (!s.tool) {
    return Skipped("needs the provider");
  }
  const ProviderExports& api = s.tool->exports();
  std::array<char, 64> message{};
  if (const uint32_t present = api.KQ_CheckDevice(message.data()); present != 1) {
    return Failed("KQ_CheckDevice 0: " + Cp936ToUtf8(message.data()));
  }
  const uint32_t count = api.KQ_GetListNum(1);
  uint32_t status = 0;
  const auto ids = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return api.KQ_GetMediaID(reinterpret_cast<char*>(buffer), length, 1);
      },
      status);
  if (!ids) {
    return Failed(ToolFailure("KQ_GetMediaID", status));
  }
  const auto* text = reinterpret_cast<const char*>(ids->data());
  s.mediaId = std::string(text, strnlen(text, ids->size())).substr(0, 12);
  if (count != 1 || s.mediaId.size() != 12) {
    return Failed("KQ_GetListNum " + std::to_string(count) + ", media ids \"" + s.mediaId + "\"");
  }
  return Passed("KQ_CheckDevice 1, KQ_GetListNum 1, KQ_GetMediaID " + s.mediaId);
}

StepOutcome Request(DemoState& s, const std::string& record, std::vector<uint8_t>& request) {
  if (s.mediaId.empty()) {
    return Skipped("needs the key's media id");
  }
  const auto function = s.tool->exports().KQ_CreatePKCS10;
  uint32_t status = 0;
  const auto output = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return function(record.data(), static_cast<int32_t>(record.size()), s.mediaId.c_str(),
                        reinterpret_cast<char*>(buffer), length);
      },
      status);
  if (!output) {
    return Failed(ToolFailure("KQ_CreatePKCS10", status));
  }
  const std::optional<std::vector<uint8_t>> der =
      ParseBase64(std::string_view(reinterpret_cast<const char*>(output->data()), output->size()));
  if (!der) {
    return Failed("KQ_CreatePKCS10 returned no base64 request");
  }
  request = *der;
  return Passed("KQ_CreatePKCS10 \"" + record + "\": a " + std::to_string(der->size()) +
                "-byte PKCS #10 request");
}

StepOutcome RequestRsa(DemoState& s) {
  return Request(s, std::string(kRsaSubject) + "|RSA2048|SHA256|2", s.rsaRequest);
}

StepOutcome RequestSm2(DemoState& s) {
  return Request(s, std::string(kSm2Subject) + "|SM2|SM3|3", s.sm2Request);
}

StepOutcome Issue(DemoState& s) {
  if (s.rsaRequest.empty() && s.sm2Request.empty()) {
    return Skipped("needs the requests");
  }
  s.ca.emplace(*s.scene);
  if (!s.ca->Create()) {
    return Failed(s.ca->reason());
  }
  std::string issued;
  if (!s.rsaRequest.empty()) {
    const auto certificate = s.ca->Issue(s.rsaRequest, "rsa", false, 1001);
    if (!certificate) {
      return Failed("RSA request: " + s.ca->reason());
    }
    s.rsaCertificate = *certificate;
    issued = "RSA";
  }
  if (!s.sm2Request.empty()) {
    const auto certificate = s.ca->Issue(s.sm2Request, "sm2", true, 1002);
    if (!certificate) {
      return Failed("SM2 request: " + s.ca->reason());
    }
    s.sm2Certificate = *certificate;
    issued += issued.empty() ? "SM2" : " and SM2";
  }
  return Passed("openssl checked the requests' signatures and issued the " + issued +
                " certificates");
}

StepOutcome Install(DemoState& s) {
  std::vector<std::string> items;
  for (const auto* certificate : {&s.rsaCertificate, &s.sm2Certificate}) {
    if (!certificate->empty()) {
      items.push_back(Base64Text(*certificate));
    }
  }
  if (items.empty()) {
    return Skipped("needs the certificates");
  }
  const std::string list = JoinList(items, "||");
  const uint32_t status = s.tool->exports().KQ_WritePKCS7(s.mediaId.c_str(), list.data(),
                                                          static_cast<int32_t>(list.size()));
  if (status != 0) {
    return Failed(ToolFailure("KQ_WritePKCS7", status));
  }
  return Passed("KQ_WritePKCS7: " + std::to_string(items.size()) +
                " certificates placed beside their key pairs");
}

StepOutcome List(DemoState& s) {
  if (s.mediaId.empty()) {
    return Skipped("needs the key's media id");
  }
  uint32_t status = 0;
  const auto text = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return s.tool->exports().KQ_GetAllCertDN(s.mediaId.c_str(), reinterpret_cast<char*>(buffer),
                                                 length);
      },
      status);
  if (!text) {
    return Failed(ToolFailure("KQ_GetAllCertDN", status));
  }
  std::vector<std::string> shown;
  for (const std::string& subject : SplitList(
           std::string_view(reinterpret_cast<const char*>(text->data()), text->size()), "||")) {
    shown.push_back(Cp936ToUtf8(subject));
    if (subject.find("Demo RSA Signer") != std::string::npos) {
      s.rsaSubject = subject;
    } else if (subject.find("Demo SM2 Signer") != std::string::npos) {
      s.sm2Subject = subject;
    }
  }
  if (s.rsaSubject.empty() || s.sm2Subject.empty()) {
    return Failed("KQ_GetAllCertDN lists \"" + JoinList(shown, "\", \"") + "\"");
  }
  return Passed("KQ_GetAllCertDN: \"" + JoinList(shown, "\", \"") + "\"");
}

constexpr DemoStep kSteps[] = {
    {"load the provider like a bank tool", LoadAsTool},
    {"register the provider and the product key", Register},
    {"load the provider like CryptoAPI", LoadAsCryptoApi},
    {"create a soft key", CreateKey},
    {"check the key", CheckKey},
    {"request an RSA 2048 signature key (usage 2)", RequestRsa},
    {"request an SM2 key (usage 3)", RequestSm2},
    {"issue the certificates with a throwaway CA", Issue},
    {"install the certificates", Install},
    {"list the certificates' subjects", List},
};

}  // namespace

std::span<const DemoStep> DemoSetupSteps() {
  return kSteps;
}

}  // namespace kq::cli
