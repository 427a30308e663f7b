#include "support/temp_registry.h"

#include <fstream>

namespace kq::test {

TempRegistry::TempRegistry(const std::string& content)
    : path_(directory_.File("registry.reg")), env_("KQCSP_REGISTRY", path_) {
  Write(content);
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
