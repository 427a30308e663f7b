#include "csp_session.h"

#include "byte_text.h"

namespace kq::cli {

CspSession::~CspSession() {
  Release();
}

bool CspSession::Acquire(const std::string* container, uint32_t flags) {
  CallRecord* call = nullptr;
  const bool ok = Record(
      "CPAcquireContext",
      api_.CPAcquireContext(&provider_handle_, container != nullptr ? container->c_str() : nullptr,
                            flags, nullptr),
      &call);
  call->outputs.Set("flags", flags);
  if (container != nullptr) {
    call->outputs.Set("container", *container);
  }
  // A successful CRYPT_DELETEKEYSET leaves no context behind to release.
  acquired_ = ok && (flags & 0x10) == 0;
  if (ok) {
    call->outputs.Set("provider_handle", static_cast<uint64_t>(provider_handle_));
  }
  return ok;
}

void CspSession::Release() {
  if (!acquired_) {
    return;
  }
  acquired_ = false;
  report_.set_step("");
  Record("CPReleaseContext", api_.CPReleaseContext(provider_handle_, 0));
}

bool CspSession::Record(std::string_view function, int result, CallRecord** call) {
  const uint32_t lastError = provider_.LastError();
  CallRecord& record = report_.AddProviderCall(std::string(function), result != 0, lastError);
  if (call != nullptr) {
    *call = &record;
  }
  if (result == 0) {
    failed = true;
  }
  return result != 0;
}

std::optional<uint32_t> HashAlgorithmId(std::string_view name) {
  struct Named {
    std::string_view name;
    uint32_t id;
  };
  static constexpr Named kNames[] = {{"md5", 0x8003},    {"sha1", 0x8004},
                                     {"sha256", 0x800C}, {"sha384", 0x800D},
                                     {"sha512", 0x800E}, {"ssl3-shamd5", 0x8008}};
  for (const Named& entry : kNames) {
    if (entry.name == name) {
      return entry.id;
    }
  }
  const std::optional<uint64_t> number = ParseNumber(name);
  if (number && *number <= UINT32_MAX) {
    return static_cast<uint32_t>(*number);
  }
  return std::nullopt;
}

std::optional<uint32_t> KeySpec(std::string_view name) {
  if (name == "signature") {
    return capi::kAtSignature;
  }
  if (name == "exchange") {
    return capi::kAtKeyExchange;
  }
  const std::optional<uint64_t> number = ParseNumber(name);
  if (number && *number <= UINT32_MAX) {
    return static_cast<uint32_t>(*number);
  }
  return std::nullopt;
}

bool SaveStepOutput(CspSession& session, const Arguments& args, std::string_view option,
                    const std::vector<uint8_t>& bytes, CallRecord* call) {
  const std::string* path = args.Value(option);
  if (path == nullptr) {
    return true;
  }
  if (!WriteFileBytes(*path, bytes)) {
    session.report().AddProblem("cannot write " + *path);
    session.failed = true;
    return false;
  }
  if (call != nullptr) {
    call->outputs.Set(std::string(option), *path);
  }
  return true;
}

uint32_t LittleEndian32(const std::vector<uint8_t>& bytes, size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) {
    return 0;
  }
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

}  // namespace kq::cli
