#pragma once
// The `openssl` command as a verifier and key maker nobody here wrote, with a scratch folder for
// its files.

#include <cstdint>
#include <string>
#include <vector>

namespace kq::test {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir();

  [[nodiscard]] const std::string& path() const { return path_; }
  // path()/name
  [[nodiscard]] std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Runs `openssl <arguments>` through the shell with its output discarded; true on exit status 0.
// On failure, the command and its output are in *failure when given.
bool RunOpenssl(const std::string& arguments, std::string* failure = nullptr);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& path);

}  // namespace kq::test
