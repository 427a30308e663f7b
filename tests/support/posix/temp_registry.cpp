#include "support/temp_registry.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kq::test {

namespace {
std::string MakeDirectory() {
  std::string pattern = "/tmp/kqregistry-XXXXXX";
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
}
}  // namespace

TempRegistry::TempRegistry(const std::string& content)
    : directory_(MakeDirectory()),
      path_(directory_ + "/registry.reg"),
      env_("KQCSP_REGISTRY", path_) {
  Write(content);
}

TempRegistry::~TempRegistry() {
  std::remove(path_.c_str());
  if (directory_ != "/tmp") {
    rmdir(directory_.c_str());
  }
}

void TempRegistry::Write(const std::string& content) {
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
}

std::string TempRegistry::SettingsKey(const std::string& valueLines) {
  return "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\r\n" +
         valueLines + "\r\n";
}

}  // namespace kq::test
