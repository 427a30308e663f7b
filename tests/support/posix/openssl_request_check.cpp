#include "support/openssl_request_check.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kq::test {

RequestCheck CheckRequestWithOpenSsl(std::span<const uint8_t> der, bool sm2) {
  RequestCheck check;
  std::string directory = "/tmp/kqrequest-XXXXXX";
  if (mkdtemp(directory.data()) == nullptr) {
    check.output = "cannot make a temporary directory";
    return check;
  }
  const std::string path = directory + "/request.der";
  {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(der.data()), static_cast<std::streamsize>(der.size()));
  }
  std::string command = "openssl req -inform DER -in '" + path + "' -verify -noout";
  if (sm2) {
    command += " -vfyopt distid:1234567812345678";
  }
  command += " 2>&1";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
      check.output.append(buffer, n);
    }
    pclose(pipe);
  }
  std::remove(path.c_str());
  rmdir(directory.c_str());
  check.verified = check.output.find("verify OK") != std::string::npos &&
                   check.output.find("fail") == std::string::npos;
  return check;
}

}  // namespace kq::test
