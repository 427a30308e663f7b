// The demo's first half: the provider loaded as a bank tool and as CryptoAPI loads it, a soft key
// made and checked, two key pairs requested, certified by a throwaway CA and installed.
#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "common/utf.h"

#include "byte_text.h"
#include "csp_session.h"
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

StepOutcome Register(DemoState& s) {
  if (!s.tool) {
    return Skipped("needs the provider");
  }
  s.registration.emplace(*s.scene);
  if (!s.registration->Register(s.imagePath)) {
    const std::string reason = s.registration->detail();
    s.registration.reset();
    return Failed(reason);
  }
  std::array<char, 64> message{};
  const uint32_t driver = s.tool->exports().KQ_CheckDriver(message.data());
  const uint32_t csp = s.tool->exports().KQ_CheckCSP(message.data());
  const std::string detail =
      "KQ_CheckDriver " + std::to_string(driver) + ", KQ_CheckCSP " + std::to_string(csp);
  if (driver != 1 || csp != 1) {
    return Failed(detail + " (" + Cp936ToUtf8(message.data()) + ")");
  }
  return Passed(detail + " " + s.registration->detail());
}

StepOutcome LoadAsCryptoApi(DemoState& s) {
  if (!s.registration) {
    return Skipped("needs the registration");
  }
  // CryptoAPI finds the provider's file by the "Image Path" registered under its name, in the
  // calling program's own registry view.
  std::array<uint8_t, 2048> buffer{};
  size_t size = 0;
  uint32_t type = 0;
  if (platform::QueryRegistryValue(kProviderRegistryKey, u"Image Path",
                                   platform::RegistryView::kDefault, buffer, size,
                                   type) != platform::RegistryStatus::kOk) {
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
  s.cryptoApi = CryptoApi::Open(kProviderName, Utf16ToUtf8(wide), error);
  if (!s.cryptoApi) {
    return Failed(error);
  }
  const CryptoApiNames& names = CryptoApi::Names();
  CryptoContext context(*s.cryptoApi);
  std::array<uint8_t, 64> name{};
  std::array<uint8_t, 4> kind{};
  uint32_t nameLength = 0;
  uint32_t kindLength = 0;
  if (!context.Acquire(nullptr, capi::kCryptVerifyContext) ||
      !context.GetProvParam(capi::kPpName, name, nameLength, 0) ||
      !context.GetProvParam(capi::kPpProvType, kind, kindLength, 0)) {
    return Failed(context.Failure());
  }
  const auto* text = reinterpret_cast<const char*>(name.data());
  return Passed(std::string(names.acquire) + " " + std::string(names.acquireHow) + "; PP_NAME \"" +
                std::string(text, strnlen(text, std::min<size_t>(nameLength, name.size()))) +
                "\", PP_PROVTYPE " + std::to_string(kind[0]));
}

StepOutcome CreateKey(DemoState& s) {
  const std::filesystem::path program(s.programPath);
  const std::string kqsim =
      (program.parent_path() / ("kqsim" + program.extension().string())).string();
  if (!std::filesystem::exists(kqsim)) {
    return Failed("kqsim is not built beside kqtool (" + kqsim + ")");
  }
  // A key that enforces its usages, as a bank's key should: the transaction key signs only what
  // is confirmed on the key, so every step below goes the way a strict key allows.
  if (!s.scene->Run({kqsim, "create", "--family", "73", "--pin", "12345678", "--button", "ok:10",
                     "--label", "kqtool demo key", "--strict-usage"})) {
    return Failed("kqsim create failed: " + s.scene->LogTail());
  }
  return Passed(
      "kqsim create: family 73, PIN 12345678, OK pressed after ten polls, strict usage (the "
      "transaction key signs only transactions confirmed on the key)");
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
  return Passed(std::string(DemoCa::Names().issued) + " " + issued + " certificates");
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

}  // namespace

std::span<const DemoStep> DemoSetupSteps() {
  static const DemoStep kSteps[] = {
      {"load the provider like a bank tool", LoadAsTool},
      {"register the provider and the product key", Register},
      {CryptoApi::Names().loadTitle, LoadAsCryptoApi},
      {"create a soft key", CreateKey},
      {"check the key", CheckKey},
      {"request an RSA 2048 signature key (usage 2)", RequestRsa},
      {"request an SM2 key (usage 3)", RequestSm2},
      {"issue the certificates with a throwaway CA", Issue},
      {"install the certificates", Install},
      {"list the certificates' subjects", List},
  };
  return kSteps;
}

}  // namespace kq::cli
