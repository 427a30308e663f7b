#pragma once
// A folder of a test's own for the files it hands to outside commands, and whole-file reads and
// writes for those files.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::test {

// A fresh folder under the temporary directory, removed with everything in it when the object
// goes.
class TempDirectory {
 public:
  TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  ~TempDirectory();

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  // path()/name
  [[nodiscard]] std::string File(const std::string& name) const;
  // Writes a file in the folder and returns its path.
  std::filesystem::path Write(const std::string& name, std::span<const uint8_t> bytes) const;
  std::filesystem::path Write(const std::string& name, std::string_view text) const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& path);

}  // namespace kq::test
