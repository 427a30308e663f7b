#include "support/temp_directory.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace kq::test {

TempDirectory::TempDirectory() {
  // create_directory fails on a name that exists, so a folder made here is this object's alone.
  static std::random_device seed;
  std::mt19937_64 names(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "kq-test-%012llx",
                  static_cast<unsigned long long>(names() & 0xFFFFFFFFFFFFULL));
    std::error_code error;
    if (std::filesystem::create_directory(base / name, error)) {
      path_ = base / name;
    }
  }
}

TempDirectory::~TempDirectory() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

std::string TempDirectory::File(const std::string& name) const {
  return (path_ / name).string();
}

std::filesystem::path TempDirectory::Write(const std::string& name,
                                           std::span<const uint8_t> bytes) const {
  WriteBytes(File(name), {bytes.begin(), bytes.end()});
  return path_ / name;
}

std::filesystem::path TempDirectory::Write(const std::string& name, std::string_view text) const {
  return Write(
      name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
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
