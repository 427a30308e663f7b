// CryptoAPI steps on the provider itself: its parameters, the algorithm and container lists,
// random bytes and the PIN.
#include <cstdio>
#include <cstring>

#include "byte_text.h"
#include "csp_session.h"
#include "pin_input.h"

namespace kq::cli {

namespace {

enum class ValueKind { kNumber, kText, kBytes };

struct ProviderParam {
  std::string_view name;
  uint32_t number;
  ValueKind kind;
};

constexpr ProviderParam kParams[] = {
    {"imptype", 3, ValueKind::kNumber},
    {"name", 4, ValueKind::kText},
    {"version", 5, ValueKind::kNumber},
    {"container", 6, ValueKind::kText},
    {"keyset-sec-descr", 8, ValueKind::kBytes},
    {"provtype", 16, ValueKind::kNumber},
    {"keystorage", 17, ValueKind::kNumber},
    {"keyset-type", 27, ValueKind::kNumber},
    {"sig-keysize-inc", 34, ValueKind::kNumber},
    {"keyx-keysize-inc", 35, ValueKind::kNumber},
    {"unique-container", 36, ValueKind::kText},
    {"keyspec", 39, ValueKind::kNumber},
    {"reader", 43, ValueKind::kText},
};

std::string TextOf(const std::vector<uint8_t>& bytes) {
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  return std::string(text, strnlen(text, bytes.size()));
}

std::string Param(CspSession& s, const Arguments& args) {
  const std::string* name = args.Value("name");
  const ProviderParam* param = nullptr;
  std::string names;
  for (const ProviderParam& entry : kParams) {
    names += (names.empty() ? "" : ", ") + std::string(entry.name);
    if (name != nullptr && entry.name == *name) {
      param = &entry;
    }
  }
  if (param == nullptr) {
    return "param needs --name, one of: " + names;
  }
  uint32_t size = 0;
  if (!s.Record("CPGetProvParam",
                s.api().CPGetProvParam(s.provider(), param->number, nullptr, &size, 0))) {
    return {};
  }
  std::vector<uint8_t> value(size > 0 ? size : 1);
  CallRecord* call = nullptr;
  if (!s.Record("CPGetProvParam",
                s.api().CPGetProvParam(s.provider(), param->number, value.data(), &size, 0),
                &call)) {
    return {};
  }
  value.resize(std::min<size_t>(value.size(), size));
  call->outputs.Set("param", param->name);
  switch (param->kind) {
    case ValueKind::kNumber:
      call->outputs.Set("value", LittleEndian32(value, 0));
      break;
    case ValueKind::kText:
      call->outputs.Set("value", Cp936ToUtf8(TextOf(value)));
      break;
    case ValueKind::kBytes:
      call->outputs.Set("value_hex", HexText(value));
      break;
  }
  return {};
}

// A list ends with ERROR_NO_MORE_ITEMS, which counts as success: the call that ends it carries
// the list. Any other failure is recorded as it is.
void RecordListEnd(CspSession& s, const char* param, const char* key, JsonList items) {
  CallRecord* call = nullptr;
  s.Record("CPGetProvParam", 0, &call);
  if (call->status.code == capi::kErrorNoMoreItems) {
    call->ok = true;
    s.failed = false;
    call->outputs.Set("param", param).Set(key, std::move(items));
  }
}

// PROV_ENUMALGS (32 bytes) or PROV_ENUMALGS_EX (88 bytes) records until ERROR_NO_MORE_ITEMS.
std::string Algorithms(CspSession& s, const Arguments& args) {
  const bool extended = args.Has("ex");
  const uint32_t param = extended ? 22 : 1;
  const size_t recordSize = extended ? 88 : 32;
  JsonList rows;
  uint32_t flags = capi::kCryptFirst;
  for (int guard = 0; guard < 64; ++guard) {
    std::vector<uint8_t> record(recordSize);
    auto size = static_cast<uint32_t>(record.size());
    const int ok = s.api().CPGetProvParam(s.provider(), param, record.data(), &size, flags);
    flags = 0;
    if (ok == 0) {
      RecordListEnd(s, extended ? "enumalgs-ex" : "enumalgs", "algorithms", std::move(rows));
      return {};
    }
    JsonObject row;
    char id[16];
    std::snprintf(id, sizeof id, "0x%04X", LittleEndian32(record, 0));
    row.Set("alg_id", id);
    if (extended) {
      row.Set("default_bits", LittleEndian32(record, 4)).Set("min_bits", LittleEndian32(record, 8));
      row.Set("max_bits", LittleEndian32(record, 12)).Set("protocols", LittleEndian32(record, 16));
      row.Set("name", TextOf(std::vector<uint8_t>(record.begin() + 24, record.begin() + 44)));
      row.Set("long_name", TextOf(std::vector<uint8_t>(record.begin() + 48, record.end())));
    } else {
      row.Set("bits", LittleEndian32(record, 4));
      row.Set("name", TextOf(std::vector<uint8_t>(record.begin() + 12, record.end())));
    }
    rows.emplace_back(std::move(row));
  }
  s.report().AddProblem("the algorithm list does not end");
  s.failed = true;
  return {};
}

std::string Containers(CspSession& s, const Arguments& /*args*/) {
  JsonList names;
  uint32_t flags = capi::kCryptFirst;
  for (int guard = 0; guard < 1024; ++guard) {
    uint32_t size = 0;
    int ok = s.api().CPGetProvParam(s.provider(), 2, nullptr, &size, flags);
    std::vector<uint8_t> name(size > 0 ? size : 1);
    if (ok != 0) {
      size = static_cast<uint32_t>(name.size());
      ok = s.api().CPGetProvParam(s.provider(), 2, name.data(), &size, flags);
    }
    flags = 0;
    if (ok == 0) {
      RecordListEnd(s, "enumcontainers", "containers", std::move(names));
      return {};
    }
    names.emplace_back(Cp936ToUtf8(TextOf(name)));
  }
  s.report().AddProblem("the container list does not end");
  s.failed = true;
  return {};
}

std::string Random(CspSession& s, const Arguments& args) {
  uint64_t length = 16;
  std::string error;
  if (!NumberOption(args, "length", 4096, length, error)) {
    return error;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(length));  // at most 4096
  CallRecord* call = nullptr;
  if (s.Record("CPGenRandom",
               s.api().CPGenRandom(s.provider(), static_cast<uint32_t>(length), bytes.data()),
               &call)) {
    call->outputs.Set("random_hex", HexText(bytes));
  }
  return {};
}

std::string SetPin(CspSession& s, const Arguments& args) {
  if (std::string refused = RefusePinOnCommandLine(args, "pin"); !refused.empty()) {
    return refused;
  }
  std::string error;
  const std::optional<SecretString> pin = ReadPin(args, "PIN: ", error);
  if (!pin) {
    return "set-pin: " + error;
  }
  const uint32_t param = args.Has("exchange") ? 32 : 33;  // PP_KEYEXCHANGE_PIN, PP_SIGNATURE_PIN
  s.Record("CPSetProvParam",
           s.api().CPSetProvParam(s.provider(), param,
                                  reinterpret_cast<const uint8_t*>(pin->c_str()), 0));
  return {};
}

constexpr OptionSpec kParam[] = {{"name"}};
constexpr OptionSpec kAlgs[] = {{"ex", false}};
constexpr OptionSpec kRandom[] = {{"length"}};
// --pin is known only to refuse it with a word on how to give PINs.
constexpr OptionSpec kPin[] = {{"pin"}, {"exchange", false}, kPinFdOption, kPinFileOption};

constexpr CspStep kSteps[] = {
    {"param", "--name NAME", kParam, Param},
    {"algs", "[--ex]", kAlgs, Algorithms},
    {"containers", "", std::span(kParam, 0), Containers},
    {"random", "[--length N]", kRandom, Random},
    {"set-pin", "[--exchange] [--pin-fd N | --pin-file FILE]", kPin, SetPin},
};

}  // namespace

std::span<const CspStep> CspParameterSteps() {
  return kSteps;
}

}  // namespace kq::cli
