// Commands for the device management exports: presence checks, counting and listing keys,
// finding the key of a certificate, initialisation and PIN change.
#include <array>
#include <cstring>

#include "byte_text.h"
#include "command.h"
#include "inputs.h"
#include "pin_input.h"
#include "sized_output.h"
#include "text_list.h"

namespace kq::cli {

namespace {

using CheckFunction = uint32_t (*)(char*);

void RunCheck(CheckFunction function, const char* name, Report& report) {
  if (!HasExport(function, name, report)) {
    return;
  }
  std::array<char, 64> message{};
  const uint32_t result = function(message.data());
  CallRecord& call = report.AddToolCall(name, result, result == 1);
  call.outputs.Set("present", result == 1);
  if (result != 1) {
    call.outputs.Set("message", Cp936ToUtf8(std::string_view(
                                    message.data(), strnlen(message.data(), message.size()))));
  }
}

std::string Check(Context& context, const Arguments& args, Report& report) {
  const ProviderExports& api = context.api();
  const std::string which = args.positionals().empty() ? "all" : args.positionals()[0];
  if (args.positionals().size() > 1) {
    return "check takes one of: device, work-status, driver, csp, all";
  }
  const bool all = which == "all";
  if (!all && which != "device" && which != "work-status" && which != "driver" && which != "csp") {
    return "check takes one of: device, work-status, driver, csp, all";
  }
  if (all || which == "driver") {
    RunCheck(api.KQ_CheckDriver, "KQ_CheckDriver", report);
  }
  if (all || which == "csp") {
    RunCheck(api.KQ_CheckCSP, "KQ_CheckCSP", report);
  }
  if (all || which == "device") {
    RunCheck(api.KQ_CheckDevice, "KQ_CheckDevice", report);
  }
  if (which == "work-status") {
    RunCheck(api.KQ_CheckWorkStatus, "KQ_CheckWorkStatus", report);
  }
  return {};
}

std::string Count(Context& context, const Arguments& args, Report& report) {
  uint8_t flag = 1;
  std::string error;
  if (!FamilyFlag(args, flag, error)) {
    return error;
  }
  if (!HasExport(context.api().KQ_GetListNum, "KQ_GetListNum", report)) {
    return {};
  }
  const uint32_t count = context.api().KQ_GetListNum(flag);
  // The count is the result; 0 also stands for every failure.
  CallRecord& call = report.AddToolCall("KQ_GetListNum", 0, true);
  call.outputs.Set("family", flag != 0 ? "73" : "72").Set("count", count);
  return {};
}

std::string MediaIds(Context& context, const Arguments& args, Report& report) {
  uint8_t flag = 1;
  std::string error;
  if (!FamilyFlag(args, flag, error)) {
    return error;
  }
  const auto function = context.api().KQ_GetMediaID;
  if (!HasExport(function, "KQ_GetMediaID", report)) {
    return {};
  }
  uint32_t status = 0;
  const auto text = FetchSized<int32_t>(
      [&](uint8_t* buffer, int32_t* length) {
        return function(reinterpret_cast<char*>(buffer), length, flag);
      },
      status);
  CallRecord& call = report.AddToolCall("KQ_GetMediaID", status);
  call.outputs.Set("family", flag != 0 ? "73" : "72");
  if (text) {
    const auto* chars = reinterpret_cast<const char*>(text->data());
    JsonList ids;
    for (std::string& id : SplitList(std::string_view(chars, strnlen(chars, text->size())), "|")) {
      ids.emplace_back(std::move(id));
    }
    call.outputs.Set("media_ids", std::move(ids));
  }
  return {};
}

std::string DeviceSn(Context& context, const Arguments& args, Report& report) {
  const std::string* subject = args.Value("subject");
  if (subject == nullptr) {
    return "device-sn needs --subject DN";
  }
  const auto function = context.api().KQ_GetDeviceSN;
  if (!HasExport(function, "KQ_GetDeviceSN", report)) {
    return {};
  }
  const std::string dn = Utf8ToCp936(*subject);
  uint32_t status = 0;
  const auto identity = FetchSized<uint32_t>(
      [&](uint8_t* buffer, uint32_t* length) {
        return function(dn.c_str(), reinterpret_cast<char*>(buffer), length);
      },
      status);
  CallRecord& call = report.AddToolCall("KQ_GetDeviceSN", status);
  if (identity) {
    call.outputs.Set("identity_hex", HexText(*identity));
    const size_t idLength = identity->size() < 12 ? identity->size() : 12;
    call.outputs.Set("media_id",
                     std::string(reinterpret_cast<const char*>(identity->data()), idLength));
  }
  return {};
}

std::string CspName(Context& context, const Arguments& args, Report& report) {
  const ProviderExports& api = context.api();
  uint32_t status = 0;
  std::optional<std::vector<uint8_t>> name;
  std::string function;
  if (const std::string* subject = args.Value("subject")) {
    function = "KQ_GetCSPName";
    if (!HasExport(api.KQ_GetCSPName, function.c_str(), report)) {
      return {};
    }
    const std::string dn = Utf8ToCp936(*subject);
    name = FetchSized<uint32_t>(
        [&](uint8_t* buffer, uint32_t* length) {
          return api.KQ_GetCSPName(dn.c_str(), reinterpret_cast<char*>(buffer), length);
        },
        status);
  } else {
    function = "KQ_CSPName";
    if (!HasExport(api.KQ_CSPName, function.c_str(), report)) {
      return {};
    }
    name = FetchSized<int32_t>(
        [&](uint8_t* buffer, int32_t* length) {
          return api.KQ_CSPName(reinterpret_cast<char*>(buffer), length);
        },
        status);
  }
  CallRecord& call = report.AddToolCall(function, status);
  if (name) {
    const auto* text = reinterpret_cast<const char*>(name->data());
    call.outputs.Set("provider_name", std::string(text, strnlen(text, name->size())));
  }
  return {};
}

std::string InitCard(Context& context, const Arguments& args, Report& report) {
  uint64_t argument = 0;
  std::string error;
  if (!NumberOption(args, "argument", UINTPTR_MAX, argument, error)) {
    return error;
  }
  if (!HasExport(context.api().KQ_InitCard, "KQ_InitCard", report)) {
    return {};
  }
  const std::string* mediaId = args.Value("media-id");
  const uint32_t status = context.api().KQ_InitCard(mediaId != nullptr ? mediaId->c_str() : nullptr,
                                                    static_cast<uintptr_t>(argument));
  report.AddToolCall("KQ_InitCard", status);
  return {};
}

std::string ChangePin(Context& context, const Arguments& args, Report& report) {
  for (const char* option : {"old", "new"}) {
    if (std::string refused = RefusePinOnCommandLine(args, option); !refused.empty()) {
      return refused;
    }
  }
  std::string error;
  const std::optional<SecretString> oldPin = ReadPin(args, "old PIN: ", error);
  if (!oldPin) {
    return "change-pin: " + error;
  }
  const std::optional<SecretString> newPin = ReadPin(args, "new PIN: ", error);
  if (!newPin) {
    return "change-pin: " + error;
  }
  if (!HasExport(context.api().KQ_ChangePIN, "KQ_ChangePIN", report)) {
    return {};
  }
  const std::string* mediaId = args.Value("media-id");
  const uint32_t status = context.api().KQ_ChangePIN(
      mediaId != nullptr ? mediaId->c_str() : nullptr, oldPin->c_str(), newPin->c_str());
  report.AddToolCall("KQ_ChangePIN", status);
  return {};
}

constexpr OptionSpec kNoOptions[] = {{"", false}};
constexpr OptionSpec kFamily[] = {{"family"}};
constexpr OptionSpec kSubject[] = {{"subject"}};
constexpr OptionSpec kInit[] = {{"media-id"}, {"argument"}};
// --old and --new are known only to refuse them with a word on how to give PINs.
constexpr OptionSpec kChangePin[] = {{"media-id"}, {"old"}, {"new"}, kPinFdOption, kPinFileOption};

constexpr CommandSpec kCommands[] = {
    {"check", "[device|work-status|driver|csp|all]",
     "KQ_CheckDriver, KQ_CheckCSP, KQ_CheckDevice (or KQ_CheckWorkStatus): is it all there?",
     std::span(kNoOptions, 0), Check},
    {"count", "[--family 73|72]", "KQ_GetListNum: how many keys of a family are attached", kFamily,
     Count},
    {"media-ids", "[--family 73|72]", "KQ_GetMediaID: the media ids of the attached keys", kFamily,
     MediaIds},
    {"device-sn", "--subject DN",
     "KQ_GetDeviceSN: the identity of the key that holds a certificate", kSubject, DeviceSn},
    {"csp-name", "[--subject DN]",
     "KQ_CSPName, or KQ_GetCSPName for the key that holds a certificate", kSubject, CspName},
    {"init", "[--media-id ID] [--argument N]",
     "KQ_InitCard: initialises a key (confirmed on the key)", kInit, InitCard},
    {"change-pin", "[--media-id ID] [--pin-fd N | --pin-file FILE]",
     "KQ_ChangePIN: changes the PIN (confirmed on the key); the old and the new PIN are typed "
     "when asked, or read one a line from standard input, the descriptor or the file",
     kChangePin, ChangePin},
};

}  // namespace

std::span<const CommandSpec> DeviceCommands() {
  return kCommands;
}

}  // namespace kq::cli
