// The function table of GetFunctionList: `kqtool table FUNCTION ...` calls one of its ten
// functions, which name the key by reader name and media id.
#include <cstring>

#include "byte_text.h"
#include "command.h"
#include "sized_output.h"
#include "text_list.h"

namespace kq::cli {

namespace {

struct TableCall {
  const KqFunctionList& table;
  const Arguments& args;
  Report& report;
  const char* reader;
  const char* mediaId;
};

std::string EnumDevices(TableCall& c) {
  uint32_t status = 0;
  const auto names = FetchSized<uint32_t>(
      [&](uint8_t* buffer, uint32_t* length) {
        return c.table.EnumDevices(reinterpret_cast<char*>(buffer), length);
      },
      status);
  CallRecord& call = c.report.AddToolCall("EnumDevices", status);
  if (names) {
    JsonList readers;
    const auto* text = reinterpret_cast<const char*>(names->data());
    for (size_t at = 0; at < names->size() && text[at] != '\0';) {
      const size_t length = strnlen(text + at, names->size() - at);
      readers.emplace_back(std::string(text + at, length));
      at += length + 1;
    }
    call.outputs.Set("readers", std::move(readers));
  }
  return {};
}

std::string Identity(TableCall& c) {
  uint32_t status = 0;
  const auto identity = FetchSized<uint32_t>(
      [&](uint8_t* buffer, uint32_t* length) {
        return c.table.GetDeviceIdentity(c.reader, buffer, length);
      },
      status);
  CallRecord& call = c.report.AddToolCall("GetDeviceIdentity", status);
  if (identity) {
    call.outputs.Set("identity_hex", HexText(*identity));
  }
  return {};
}

std::string ReadUserData(TableCall& c) {
  uint32_t status = 0;
  const auto data = FetchSized<uint32_t>(
      [&](uint8_t* buffer, uint32_t* length) {
        return c.table.ReadUserData(c.reader, c.mediaId, buffer, length);
      },
      status);
  CallRecord& call = c.report.AddToolCall("ReadUserData", status);
  if (data) {
    call.outputs.Set("user_data_hex", HexText(*data));
  }
  return {};
}

std::string WriteUserData(TableCall& c) {
  std::vector<uint8_t> data;
  if (const std::string* hex = c.args.Value("data-hex")) {
    const auto bytes = ParseHex(*hex);
    if (!bytes) {
      return "--data-hex is not hexadecimal";
    }
    data = *bytes;
  } else if (const std::string* text = c.args.Value("data")) {
    const auto bytes = AsBytes(*text);
    data.assign(bytes.begin(), bytes.end());
  } else {
    return "write-user-data needs --data TEXT or --data-hex HEX (1 to 32 bytes)";
  }
  const uint32_t status =
      c.table.WriteUserData(c.reader, c.mediaId, data.data(), static_cast<uint32_t>(data.size()));
  c.report.AddToolCall("WriteUserData", status).outputs.Set("bytes", data.size());
  return {};
}

std::string Containers(TableCall& c) {
  uint32_t status = 0;
  const auto names = FetchSized<uint32_t>(
      [&](uint8_t* buffer, uint32_t* length) {
        return c.table.GetContainerNames(c.reader, c.mediaId, reinterpret_cast<char*>(buffer),
                                         length);
      },
      status);
  CallRecord& call = c.report.AddToolCall("GetContainerNames", status);
  if (names) {
    JsonList list;
    const auto* text = reinterpret_cast<const char*>(names->data());
    for (size_t at = 0; at < names->size() && text[at] != '\0';) {
      const size_t length = strnlen(text + at, names->size() - at);
      list.emplace_back(Cp936ToUtf8(std::string_view(text + at, length)));
      at += length + 1;
    }
    call.outputs.Set("containers", std::move(list));
  }
  return {};
}

std::string ContainerCertificates(TableCall& c) {
  const std::string* container = c.args.Value("container");
  if (container == nullptr) {
    return "container-certs needs --container NAME";
  }
  const std::string name = Utf8ToCp936(*container);
  uint32_t signatureLength = 0;
  uint32_t exchangeLength = 0;
  uint32_t status = c.table.GetContainerCertificates(c.reader, c.mediaId, name.c_str(), nullptr,
                                                     &signatureLength, nullptr, &exchangeLength);
  std::vector<uint8_t> signature(signatureLength);
  std::vector<uint8_t> exchange(exchangeLength);
  if (status == 0) {
    status = c.table.GetContainerCertificates(c.reader, c.mediaId, name.c_str(), signature.data(),
                                              &signatureLength, exchange.data(), &exchangeLength);
  }
  CallRecord& call = c.report.AddToolCall("GetContainerCertificates", status);
  if (status != 0) {
    return {};
  }
  signature.resize(std::min<size_t>(signature.size(), signatureLength));
  exchange.resize(std::min<size_t>(exchange.size(), exchangeLength));
  call.outputs.Set("signature_certificate_bytes", signature.size());
  call.outputs.Set("exchange_certificate_bytes", exchange.size());
  for (const auto& [option, bytes] :
       {std::pair{"signature-out", &signature}, std::pair{"exchange-out", &exchange}}) {
    if (const std::string* path = c.args.Value(option); path != nullptr && !bytes->empty()) {
      if (!WriteFileBytes(*path, *bytes)) {
        c.report.AddProblem("cannot write " + *path);
      }
    }
  }
  return {};
}

std::string PinInfo(TableCall& c) {
  uint8_t a = 0;
  uint8_t b = 0;
  const uint32_t status = c.table.GetPinInfo(c.reader, c.mediaId, &a, &b);
  c.report.AddToolCall("GetPinInfo", status).outputs.Set("byte_a", a).Set("byte_b", b);
  return {};
}

std::string DeviceInfo(TableCall& c) {
  uint32_t a = 0;
  uint32_t b = 0;
  const uint32_t status = c.table.GetDeviceInfo(c.reader, c.mediaId, &a, &b);
  c.report.AddToolCall("GetDeviceInfo", status).outputs.Set("value_a", a).Set("value_b", b);
  return {};
}

std::string CleanPin(TableCall& c) {
  c.report.AddToolCall("CleanPinStatus", c.table.CleanPinStatus(c.reader, c.mediaId));
  return {};
}

std::string Language(TableCall& c) {
  uint64_t language = 0;
  std::string error;
  if (!c.args.Has("language") || !NumberOption(c.args, "language", INT32_MAX, language, error)) {
    return error.empty() ? "language needs --language ID (2052, 1028, 1033, ...)" : error;
  }
  const uint32_t status =
      c.table.SetDeviceLanguage(c.reader, c.mediaId, static_cast<int32_t>(language));
  c.report.AddToolCall("SetDeviceLanguage", status);
  return {};
}

struct TableFunction {
  std::string_view name;
  bool needsReader;
  bool needsMediaId;
  std::string (*run)(TableCall&);
};

constexpr TableFunction kFunctions[] = {
    {"enum-devices", false, false, EnumDevices},
    {"identity", true, false, Identity},
    {"read-user-data", true, true, ReadUserData},
    {"write-user-data", true, true, WriteUserData},
    {"containers", true, true, Containers},
    {"container-certs", true, true, ContainerCertificates},
    {"pin-info", true, true, PinInfo},
    {"device-info", true, true, DeviceInfo},
    {"clean-pin", true, true, CleanPin},
    {"language", true, true, Language},
};

std::string Table(Context& context, const Arguments& args, Report& report) {
  std::string names;
  for (const TableFunction& f : kFunctions) {
    names += (names.empty() ? "" : ", ") + std::string(f.name);
  }
  if (args.positionals().size() != 1) {
    return "table needs one function: version, " + names;
  }
  const std::string& which = args.positionals()[0];
  if (!HasExport(context.api().GetFunctionList, "GetFunctionList", report)) {
    return {};
  }
  KqFunctionList table{};
  const uint32_t status = context.api().GetFunctionList(&table);
  if (which == "version" || status != 0) {
    CallRecord& call = report.AddToolCall("GetFunctionList", status);
    call.outputs.Set("version",
                     std::to_string(table.majorVersion) + "." + std::to_string(table.minorVersion));
    if (which == "version") {
      return {};
    }
  }
  for (const TableFunction& f : kFunctions) {
    if (f.name != which) {
      continue;
    }
    const std::string* reader = args.Value("reader");
    const std::string* mediaId = args.Value("media-id");
    if ((f.needsReader && reader == nullptr) || (f.needsMediaId && mediaId == nullptr)) {
      return "table " + which + " needs --reader NAME" +
             (f.needsMediaId ? " and --media-id ID" : "");
    }
    if (status != 0) {
      return {};
    }
    TableCall call{table, args, report, reader != nullptr ? reader->c_str() : nullptr,
                   mediaId != nullptr ? mediaId->c_str() : nullptr};
    return f.run(call);
  }
  return "unknown table function \"" + which + "\"; one of: version, " + names;
}

constexpr OptionSpec kTable[] = {{"reader"},   {"media-id"}, {"container"},     {"data"},
                                 {"data-hex"}, {"language"}, {"signature-out"}, {"exchange-out"}};

constexpr CommandSpec kCommands[] = {
    {"table",
     "FUNCTION [--reader NAME] [--media-id ID] ...  (version, enum-devices, identity, "
     "read-user-data, write-user-data, containers, container-certs, pin-info, device-info, "
     "clean-pin, language)",
     "GetFunctionList and its ten device functions", kTable, Table},
};

}  // namespace

std::span<const CommandSpec> TableCommands() {
  return kCommands;
}

}  // namespace kq::cli
