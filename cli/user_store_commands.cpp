// Commands that put the certificates of the attached keys where Windows programs look for a
// user's certificates (the current user's "MY" store), linked to the provider, and take them out
// again. The certificates are read through the provider's own CryptoAPI entry points, as
// CryptoAPI would: every container, each key pair's KP_CERTIFICATE.
#include <optional>

#include "byte_text.h"
#include "command.h"
#include "csp_session.h"
#include "platform/certificate_store.h"

namespace kq::cli {

namespace {

constexpr char kProviderName[] = "KQCSP For ORV v2.0";
constexpr uint32_t kProvRsaFull = 1;
constexpr uint32_t kVerifyContext = 0xF0000000;
constexpr uint32_t kPpEnumContainers = 2;

// The container names on the attached keys, through a verification context.
std::vector<std::string> ContainerNames(const ProviderExports& api, Report& report) {
  std::vector<std::string> names;
  KqHandle prov = 0;
  if (api.CPAcquireContext(&prov, nullptr, kVerifyContext, nullptr) == 0) {
    report.AddProblem("CPAcquireContext (verification context) failed");
    return names;
  }
  uint32_t flags = capi::kCryptFirst;
  for (int guard = 0; guard < 1024; ++guard, flags = 0) {
    std::vector<uint8_t> name(1024);
    uint32_t size = static_cast<uint32_t>(name.size());
    if (api.CPGetProvParam(prov, kPpEnumContainers, name.data(), &size, flags) == 0) {
      break;
    }
    name.resize(std::min<size_t>(size, name.size()));
    const std::string text(name.begin(), name.end());
    names.push_back(text.substr(0, text.find('\0')));
  }
  api.CPReleaseContext(prov, 0);
  return names;
}

// The certificate attached to a key pair of the context; empty when it has none.
std::vector<uint8_t> KeyCertificate(const ProviderExports& api, KqHandle prov, uint32_t keySpec) {
  KqHandle key = 0;
  if (api.CPGetUserKey(prov, keySpec, &key) == 0) {
    return {};
  }
  uint32_t size = 0;
  std::vector<uint8_t> der;
  if (api.CPGetKeyParam(prov, key, capi::kKpCertificate, nullptr, &size, 0) != 0 && size > 0) {
    der.resize(size);
    if (api.CPGetKeyParam(prov, key, capi::kKpCertificate, der.data(), &size, 0) == 0) {
      der.clear();
    }
    der.resize(std::min<size_t>(der.size(), size));
  }
  api.CPDestroyKey(prov, key);
  return der;
}

// False, with the reason in the report, where the system has no such store.
bool StoreAvailable(Report& report) {
  std::vector<platform::StoredCertificate> ignored;
  if (platform::ListUserCertificates(kProviderName, ignored) ==
      platform::kCertificateStoreUnsupported) {
    report.AddProblem("the user's certificate store exists on Windows only");
    return false;
  }
  return true;
}

JsonObject Entry(const std::string& container, uint32_t keySpec) {
  JsonObject entry;
  entry.Set("container", Cp936ToUtf8(container));
  entry.Set("key_spec", keySpec == capi::kAtSignature ? "signature" : "exchange");
  return entry;
}

std::string StoreCertificates(Context& context, const Arguments& /*args*/, Report& report) {
  if (!StoreAvailable(report)) {
    return {};
  }
  const ProviderExports& api = context.api();
  JsonList stored;
  JsonList kept;
  bool ok = true;
  for (const std::string& container : ContainerNames(api, report)) {
    KqHandle prov = 0;
    if (api.CPAcquireContext(&prov, container.c_str(), 0, nullptr) == 0) {
      report.AddProblem("cannot open the container " + Cp936ToUtf8(container));
      ok = false;
      continue;
    }
    for (const uint32_t keySpec : {capi::kAtSignature, capi::kAtKeyExchange}) {
      const std::vector<uint8_t> der = KeyCertificate(api, prov, keySpec);
      if (der.empty()) {
        continue;
      }
      const platform::StoreKeyLink link{kProviderName, kProvRsaFull, container, keySpec};
      std::optional<platform::StoreKeyLink> other;
      const uint32_t status = platform::AddUserCertificate(der, link, other);
      // A kept entry was only found: the line names the call that decided.
      CallRecord& call = report.AddProviderCall(
          other.has_value() ? "CertFindCertificateInStore" : "CertAddCertificateContextToStore",
          status == 0, status);
      call.outputs = Entry(container, keySpec);
      if (status != 0) {
        ok = false;
      } else if (other.has_value()) {
        // The user's own entry of this certificate, linked elsewhere: left alone, and said so.
        const std::string owner =
            other->providerName.empty() ? "no key provider" : other->providerName;
        call.outputs.Set("left_linked_to", owner);
        kept.emplace_back(Entry(container, keySpec).Set("left_linked_to", owner));
      } else {
        stored.emplace_back(Entry(container, keySpec));
      }
    }
    api.CPReleaseContext(prov, 0);
  }
  report.outputs().Set("stored", std::move(stored));
  report.outputs().Set("kept", std::move(kept));
  report.set_ok(ok);
  return {};
}

std::string RemoveCertificates(Context& /*context*/, const Arguments& /*args*/, Report& report) {
  if (!StoreAvailable(report)) {
    return {};
  }
  std::vector<platform::StoredCertificate> removed;
  const uint32_t status = platform::RemoveUserCertificates(kProviderName, removed);
  report.AddProviderCall("CertDeleteCertificateFromStore", status == 0, status);
  JsonList subjects;
  for (const platform::StoredCertificate& certificate : removed) {
    JsonObject entry = Entry(certificate.link.container, certificate.link.keySpec);
    entry.Set("subject", certificate.subject);
    subjects.emplace_back(std::move(entry));
  }
  report.outputs().Set("removed", std::move(subjects));
  return {};
}

constexpr CommandSpec kCommands[] = {
    {"store-certs",
     "",
     "copy the keys' certificates into the user's \"MY\" store, linked to the provider; one "
     "the store already holds linked to another provider is kept as it is (Windows)",
     {},
     StoreCertificates},
    {"unstore-certs",
     "",
     "remove from the user's \"MY\" store every certificate linked to the provider (Windows)",
     {},
     RemoveCertificates,
     false},
};

}  // namespace

std::span<const CommandSpec> UserStoreCommands() {
  return kCommands;
}

}  // namespace kq::cli
