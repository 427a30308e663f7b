// POSIX: the registration is a registry file in the scene, named by KQCSP_REGISTRY for the
// demo's time; the scene removes the file and restores the variable.
#include <cstdio>

#include "common/utf.h"

#include "byte_text.h"
#include "demo_registration.h"
#include "platform/registry.h"

namespace kq::cli {

struct DemoRegistration::Saved {};

namespace {

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') {
      quoted.push_back('\\');
    }
    quoted.push_back(c);
  }
  return quoted + "\"";
}

// A value's data in the .reg syntax the registry port reads.
std::string RegText(const RegistryEntry& entry) {
  if (entry.type == platform::kRegDword && entry.data.size() == 4) {
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x",
                  entry.data[0] | entry.data[1] << 8 | entry.data[2] << 16 |
                      static_cast<uint32_t>(entry.data[3]) << 24);
    return text;
  }
  if (entry.type == platform::kRegSz) {
    std::u16string wide;
    for (size_t i = 0; i + 1 < entry.data.size(); i += 2) {
      const auto c = static_cast<char16_t>(entry.data[i] | entry.data[i + 1] << 8);
      if (c == 0) {
        break;
      }
      wide.push_back(c);
    }
    return Quoted(Utf16ToUtf8(wide));
  }
  std::string text = "hex:";
  const std::string hex = HexText(entry.data);
  for (size_t i = 0; i < hex.size(); i += 2) {
    text += (i == 0 ? "" : ",") + hex.substr(i, 2);
  }
  return text;
}

std::string RegistryFileText(const std::vector<RegistryEntry>& entries) {
  std::string text = "Windows Registry Editor Version 5.00\n";
  std::u16string_view section;
  for (const RegistryEntry& entry : entries) {
    if (entry.key != section) {
      section = entry.key;
      text += "\n[HKEY_LOCAL_MACHINE\\" + Utf16ToUtf8(std::u16string(section)) + "]\n";
    }
    text += Quoted(Utf16ToUtf8(std::u16string(entry.name))) + "=" + RegText(entry) + "\n";
  }
  return text;
}

}  // namespace

DemoRegistration::DemoRegistration(DemoScene& scene) : scene_(scene) {}
DemoRegistration::~DemoRegistration() = default;

bool DemoRegistration::Register(const std::string& imagePath) {
  const std::string path = scene_.File("registry.reg");
  if (!WriteFileText(path, RegistryFileText(DemoRegistryEntries(imagePath)))) {
    detail_ = "cannot write " + path;
    return false;
  }
  scene_.SetEnvironment("KQCSP_REGISTRY", path);
  detail_ = "with the registry file " + path;
  return true;
}

bool DemoRegistration::Restore() {
  return true;  // the scene takes the file and the variable away
}

}  // namespace kq::cli
