#include "support/openssl_cli.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kq::test {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kq-test-XXXXXX").string();
  const char* made = mkdtemp(pattern.data());
  path_ = made != nullptr ? made : "";
}

ScratchDir::~ScratchDir() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

std::string ScratchDir::File(const std::string& name) const {
  return path_ + "/" + name;
}

bool RunOpenssl(const std::string& arguments, std::string* failure) {
  ScratchDir logDir;
  const std::string log = logDir.File("openssl.log");
  const std::string command = "openssl " + arguments + " >'" + log + "' 2>&1";
  const int status = std::system(command.c_str());
  if (status != 0 && failure != nullptr) {
    *failure = command + "\n" + ReadText(log);
  }
  return status == 0;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kq::test
